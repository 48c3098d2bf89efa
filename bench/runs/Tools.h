// What the run benchmark needs around the runs: timing, child programs that must succeed, and
// this process's memory.
#pragma once

#include <ChildProcess.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace runs {

class Stopwatch {
public:
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Runs a program with its standard output captured, raising when it fails.
bench::ChildResult mustRun(const std::vector<std::string>& argv);

// A figure of /proc/self/status in KiB, e.g. "VmHWM" (the peak resident size) or "VmRSS".
long statusKiB(const char* field);

// User + system time this process has used so far.
double cpuSeconds();

// The path of this program, to start it again as a child.
std::filesystem::path selfPath();

} // namespace runs
