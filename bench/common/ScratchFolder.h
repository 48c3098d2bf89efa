// A temporary folder for a benchmark's databases and files.
#pragma once

#include <filesystem>
#include <string>

namespace bench {

// A new folder "<name>-XXXXXX" in the temporary folder, removed with everything in it (read-only
// files too) at the end unless kept.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Leaves the folder in place, to look at or profile afterwards.
    void keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

} // namespace bench
