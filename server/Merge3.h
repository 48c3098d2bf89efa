// A line-based three-way merge: the changes from base to mine and from base to theirs are
// combined; overlapping changes that differ are a conflict.
#pragma once

#include <string>

namespace vss::server {

class Merge3 {
public:
    struct Result {
        bool conflict = false;
        std::string text; // the merged text; empty on a conflict
    };

    // When one side equals the base, the other side is the result as it stands; otherwise
    // git's merge (xdiff, through libgit2) decides. Raises VssError when the engine fails.
    static Result merge(const std::string& base, const std::string& mine,
                        const std::string& theirs);
};

} // namespace vss::server
