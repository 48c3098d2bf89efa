// A line-based three-way merge: the changes from base to mine and from base to theirs are
// combined; overlapping changes that differ are a conflict.
#pragma once

#include <string>

namespace vss::server {

class Merge3 {
public:
    struct Result {
        bool conflict = false;
        std::string text;
    };

    // Raises when the texts differ in too many places to merge.
    static Result merge(const std::string& base, const std::string& mine,
                        const std::string& theirs);
};

} // namespace vss::server
