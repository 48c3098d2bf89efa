// Removes the temporaries a killed writer left of a file, before that file is written again.
// A run over the many files of one folder would list the folder once per file, which grows with
// the square of the folder's size; instead one listing of a folder serves every write into it
// for a second. A temporary is stale only after a minute, so one that appears after a listing
// is at most a second late to go.
#pragma once

#include "LocalFile.h"

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

namespace vss::server {

class TemporarySweeper {
public:
    static constexpr std::chrono::seconds kListingLife{1};

    // Removes the stale temporaries of the file at `path` (a full path).
    void sweepFor(const std::string& path);
    // Forgets every listing, so the next sweep lists its folder again.
    void forget() { listings_.clear(); }

private:
    struct Listing {
        std::chrono::steady_clock::time_point taken;
        std::vector<LocalFile::Temporary> temporaries;
    };
    Listing& listing(const std::string& folder);

    std::unordered_map<std::string, Listing> listings_;
};

} // namespace vss::server
