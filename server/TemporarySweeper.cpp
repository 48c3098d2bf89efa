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
    const auto place = LocalFile::place(path);
    if (!place)
        return;
    const std::string folder(place->folder);
    const std::string name(place->name);
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
