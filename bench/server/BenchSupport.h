// What the server benchmarks share: a scratch folder, a database opened through the server's
// factory, timing, and child processes measured for their peak memory.
#pragma once

#include <com/Com.h>
#include <vss/VssInterfaces.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// Raises std::runtime_error with the server's description when hr is a failure.
void check(com::HRESULT hr, std::string_view call);

// A temporary folder, removed with everything in it (read-only files too) at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A new database in `folder`, its administrator being the logon user, opened as that user.
com::ComPtr<vss::IVSSDatabase> createAndOpen(const std::filesystem::path& folder);
com::ComPtr<vss::IVSSItem> item(vss::IVSSDatabase& db, const std::string& path);
com::ComPtr<vss::IVSSItem> newProject(vss::IVSSItem& parent, const std::string& name);

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

struct ChildResult {
    int exitCode = -1;
    double seconds = 0;
    long peakKiB = 0; // the child's ru_maxrss
};
// Runs a program from an argument vector (no shell) with standard output discarded.
ChildResult runChild(const std::vector<std::string>& argv);

std::filesystem::path ssTool();

} // namespace bench
