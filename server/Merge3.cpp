#include "Merge3.h"

#include "Errors.h"

#include <git2.h>

#include <memory>
#include <mutex>

namespace vss::server {

namespace {

void initialiseLibrary() {
    static std::once_flag once;
    // Kept initialised for the life of the process: the library keeps only global settings.
    std::call_once(once, [] {
        if (git_libgit2_init() < 0)
            throw VssError("The merge engine could not be started.");
    });
}

git_merge_file_input input(const std::string& text) {
    git_merge_file_input in;
    git_merge_file_input_init(&in, GIT_MERGE_FILE_INPUT_VERSION);
    in.ptr = text.data();
    in.size = text.size();
    return in;
}

struct ResultDeleter {
    void operator()(git_merge_file_result* result) const {
        git_merge_file_result_free(result);
        delete result;
    }
};

} // namespace

Merge3::Result Merge3::merge(const std::string& base, const std::string& mine,
                             const std::string& theirs) {
    if (mine == base || mine == theirs)
        return {false, theirs};
    if (theirs == base)
        return {false, mine};
    initialiseLibrary();
    const git_merge_file_input ancestor = input(base);
    const git_merge_file_input ours = input(mine);
    const git_merge_file_input other = input(theirs);
    git_merge_file_options options;
    git_merge_file_options_init(&options, GIT_MERGE_FILE_OPTIONS_VERSION);
    std::unique_ptr<git_merge_file_result, ResultDeleter> result(new git_merge_file_result{});
    if (git_merge_file(result.get(), &ancestor, &ours, &other, &options) < 0) {
        const git_error* error = git_error_last();
        throw VssError(std::string("The texts could not be merged: ") +
                       (error && error->message ? error->message : "unknown error") + ".");
    }
    if (!result->automergeable)
        return {true, {}};
    return {false, std::string(result->ptr ? result->ptr : "", result->len)};
}

} // namespace vss::server
