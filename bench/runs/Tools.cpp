#include "Tools.h"

#include <fstream>
#include <stdexcept>
#include <sys/resource.h>

namespace runs {

namespace fs = std::filesystem;

namespace {
double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}
} // namespace

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bench::ChildResult mustRun(const std::vector<std::string>& argv) {
    bench::ChildResult result = bench::runChild(argv, bench::ChildOutput::capture);
    if (result.exitCode != 0) {
        std::string line;
        for (const auto& a : argv)
            line += (line.empty() ? "" : " ") + a;
        throw std::runtime_error(line + " failed with " + std::to_string(result.exitCode) + ": " +
                                 result.out);
    }
    return result;
}

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(prefix))
            return std::stol(line.substr(prefix.size()));
    return 0;
}

fs::path selfPath() {
    return fs::read_symlink("/proc/self/exe");
}

} // namespace runs
