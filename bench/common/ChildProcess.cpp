#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// posix_spawn's error number; pid is set when it is 0.
int spawn(const std::vector<std::string>& argv, const posix_spawn_file_actions_t& actions,
          pid_t& pid) {
    std::vector<std::string> args(argv);
    std::vector<char*> pointers;
    for (auto& a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, pointers.data(), environ);
}

void readAll(int fd, std::string& out) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

void closeIfOpen(int fd) {
    if (fd >= 0)
        ::close(fd);
}

} // namespace

ChildResult runChild(const std::vector<std::string>& argv, ChildOutput output) {
    int pipeFds[2] = {-1, -1};
    if (output == ChildOutput::capture && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output == ChildOutput::capture)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ChildResult result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = spawn(argv, actions, pid);
    posix_spawn_file_actions_destroy(&actions);
    closeIfOpen(pipeFds[1]);
    if (rc != 0) {
        closeIfOpen(pipeFds[0]);
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
    if (pipeFds[0] >= 0) {
        readAll(pipeFds[0], result.out);
        ::close(pipeFds[0]);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

} // namespace bench
