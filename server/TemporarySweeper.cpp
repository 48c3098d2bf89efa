#include "TemporarySweeper.h"

#include <ctime>
#include <filesystem>

namespace vss::server {

TemporarySweeper::Listing& TemporarySweeper::listing(const std::string& folder) {
    const auto now = std::chrono::steady_clock::now();
    auto [it, added] = listings_.try_emplace(folder);
    if (added || now - it->second.taken >= kListingLife)
        it->second = {now, LocalFile::listTemporaries(folder)};
    return it->second;
}

void TemporarySweeper::sweepFor(const std::string& path) {
    const std::filesystem::path file(path);
    if (path.empty() || !file.has_parent_path())
        return;
    const std::string folder = file.parent_path().string();
    const std::string name = file.filename().string();
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
