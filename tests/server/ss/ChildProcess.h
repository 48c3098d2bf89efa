// A program running beside the test, talked to line by line: standard input and output are
// pipes, standard error is the test's own. Started without a shell.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sstest {

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess(); // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of output without its line end; nothing at end of output or after
    // timeoutMs milliseconds.
    std::optional<std::string> readLine(int timeoutMs = 60000);
    // All remaining output, up to end of output.
    std::vector<std::string> readAllLines();
    void writeLine(const std::string& line);
    void kill(int signal);
    // The exit code, or -signal when a signal ended the child.
    int wait();

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
    bool eof_ = false;
};

} // namespace sstest
