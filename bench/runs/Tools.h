// What the run benchmark needs around the runs: timing, a scratch folder, child programs
// started from an argument vector with their output captured, and this process's memory.
#pragma once

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

// A temporary folder, removed with everything in it (read-only files too) at the end.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Leaves the folder in place, to look at or profile afterwards.
    void keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

struct ProgramResult {
    int exitCode = -1;
    double seconds = 0;    // from start to exit, as the parent sees it
    double cpuSeconds = 0; // user + system time of the program
    std::string out;       // standard output
};

// Runs a program (no shell) and waits for it; standard error goes to ours.
ProgramResult runProgram(const std::vector<std::string>& argv);
// As runProgram, raising when the program fails.
ProgramResult mustRun(const std::vector<std::string>& argv);

// A figure of /proc/self/status in KiB, e.g. "VmHWM" (the peak resident size) or "VmRSS".
long statusKiB(const char* field);

// User + system time this process has used so far.
double cpuSeconds();

// The path of this program, to start it again as a child.
std::filesystem::path selfPath();

} // namespace runs
