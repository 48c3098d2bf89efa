// Line differences between two texts, computed by libgit2 (git's own xdiff, patience
// algorithm). Texts are split at "\n"; a last line without one still counts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class LineDiff {
public:
    // One changed region: `oldCount` lines from `oldStart` replaced by `newCount` lines from
    // `newStart` (0-based; a count of 0 means an insertion or removal at that position).
    struct Hunk {
        int oldStart = 0;
        int oldCount = 0;
        int newStart = 0;
        int newCount = 0;
        friend bool operator==(const Hunk&, const Hunk&) = default;
    };

    // Raises std::runtime_error with libgit2's message when the engine fails.
    LineDiff(std::string_view oldText, std::string_view newText);

    // Either text holds a NUL byte: no hunks are computed.
    bool binary() const { return binary_; }
    bool identical() const { return !binary_ && hunks_.empty(); }
    const std::vector<Hunk>& hunks() const { return hunks_; }

    // The lines of a text without their line ends ("\n", and a "\r" before it).
    static std::vector<std::string_view> splitLines(std::string_view text);

private:
    bool binary_ = false;
    std::vector<Hunk> hunks_;
};
