#include "TemporarySweeper.h"

#include <ctime>

namespace vss::server {

TemporarySweeper::Listing& TemporarySweeper::listing(const std::string& folder) {
    const auto now = std::chrono::steady_clock::now();
    auto [it, added] = listings_.try_emplace(folder);
    if (added || now - it->second.taken >= kListingLife)
        it->second = {now, LocalFile::listTemporaries(folder)};
    return it->second;
}

void TemporarySweeper::sweepFor(const std::string& path) {
    // The paths given are normalized: the folder is all before the last separator.
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return;
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    const std::int64_t now = std::time(nullptr);
    auto& temporaries = listing(folder).temporaries;
    for (auto it = temporaries.begin(); it != temporaries.end();) {
        if (LocalFile::isTemporaryOf(it->name, name) && LocalFile::isStale(*it, now)) {
            LocalFile::removeIfStale(folder, it->name);
            it = temporaries.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace vss::server
