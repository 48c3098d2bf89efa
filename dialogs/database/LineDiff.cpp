#include "LineDiff.h"

#include <git2.h>

#include <memory>
#include <stdexcept>

namespace {

// libgit2 counts its users; each diff holds one count while it runs.
class Library {
public:
    Library() { git_libgit2_init(); }
    ~Library() { git_libgit2_shutdown(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

void check(int status) {
    if (status >= 0)
        return;
    const git_error* error = git_error_last();
    throw std::runtime_error(std::string("The differences could not be computed: ") +
                             (error && error->message ? error->message : "unknown error"));
}

// git numbers lines from 1 and puts an empty range after the line it names.
int firstLine(int start, int count) {
    return count == 0 ? start : start - 1;
}

} // namespace

LineDiff::LineDiff(std::string_view oldText, std::string_view newText) {
    if (oldText.find('\0') != std::string_view::npos ||
        newText.find('\0') != std::string_view::npos) {
        binary_ = true;
        return;
    }
    Library library;
    git_diff_options options = GIT_DIFF_OPTIONS_INIT;
    options.context_lines = 0;
    options.interhunk_lines = 0;
    options.flags = GIT_DIFF_PATIENCE | GIT_DIFF_FORCE_TEXT;
    git_patch* raw = nullptr;
    check(git_patch_from_buffers(&raw, oldText.data(), oldText.size(), "old", newText.data(),
                                 newText.size(), "new", &options));
    const std::unique_ptr<git_patch, decltype(&git_patch_free)> patch(raw, &git_patch_free);
    if (!patch)
        return; // both empty
    const std::size_t count = git_patch_num_hunks(patch.get());
    hunks_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const git_diff_hunk* hunk = nullptr;
        check(git_patch_get_hunk(&hunk, nullptr, patch.get(), i));
        hunks_.push_back({firstLine(hunk->old_start, hunk->old_lines), hunk->old_lines,
                          firstLine(hunk->new_start, hunk->new_lines), hunk->new_lines});
    }
}

std::vector<std::string_view> LineDiff::splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        begin = next;
    }
    return lines;
}
