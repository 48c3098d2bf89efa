// Child programs started from an argument vector (no shell) and measured as the parent sees them.
#pragma once

#include <string>
#include <vector>

namespace bench {

// What becomes of the child's standard output; its standard error always goes to ours.
enum class ChildOutput { capture, discard };

struct ChildResult {
    int exitCode = -1;
    double seconds = 0;    // from start to exit, as the parent sees it
    double cpuSeconds = 0; // user + system time of the child
    long peakKiB = 0;      // the child's ru_maxrss
    std::string out;       // standard output, when captured
};

// Runs the program argv[0] and waits for it; raises when it cannot be started.
ChildResult runChild(const std::vector<std::string>& argv, ChildOutput output);

} // namespace bench
