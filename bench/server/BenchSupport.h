// What the server benchmarks share: a scratch folder, a database opened through the server's
// factory, timing, and child processes measured for their peak memory.
#pragma once

#include <ChildProcess.h>
#include <ScratchFolder.h>
#include <com/Com.h>
#include <vss/VssInterfaces.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace bench {

// Raises std::runtime_error with the server's description when hr is a failure.
void check(com::HRESULT hr, std::string_view call);

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

std::filesystem::path ssTool();

} // namespace bench
