#include "TestEnvironment.h"

#include <registry/Registry.h>
#include <system/System.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testenv {

namespace fs = std::filesystem;

std::filesystem::path ssTool() {
    return QM_SS_PATH;
}
std::filesystem::path serverLibrary() {
    return QM_SERVER_LIBRARY;
}
std::filesystem::path addinLibrary() {
    return QM_ADDIN_LIBRARY;
}
std::filesystem::path hostProgram() {
    return QM_IDEHOST_PATH;
}
std::filesystem::path regTool() {
    return QM_REG_PATH;
}

namespace {

// The child's environment: ours, with the extra variables replacing same-named ones.
std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (!extra.contains(name))
            env.push_back(std::move(entry));
    }
    for (const auto& [name, value] : extra)
        env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        read = fds[0];
        write = fds[1];
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void closeWrite() {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
};

// Feeds stdin and collects stdout/stderr until both close or the deadline passes.
void pump(Pipe& in, Pipe& out, Pipe& err, const std::string& input, RunResult& result,
          std::chrono::steady_clock::time_point deadline, pid_t pid) {
    std::size_t written = 0;
    if (input.empty())
        in.closeWrite();
    else
        fcntl(in.write, F_SETFL, O_NONBLOCK);
    char buffer[65536];
    while (out.read >= 0 || err.read >= 0) {
        std::vector<pollfd> fds;
        if (in.write >= 0)
            fds.push_back({in.write, POLLOUT, 0});
        if (out.read >= 0)
            fds.push_back({out.read, POLLIN, 0});
        if (err.read >= 0)
            fds.push_back({err.read, POLLIN, 0});
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            return;
        }
        if (::poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0 && errno != EINTR)
            return;
        for (const pollfd& p : fds) {
            if (p.revents == 0)
                continue;
            if (p.fd == in.write) {
                const ssize_t n = ::write(in.write, input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if (n < 0 || written == input.size())
                    in.closeWrite();
                continue;
            }
            const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            std::string& sink = p.fd == out.read ? result.out : result.err;
            if (n > 0) {
                sink.append(buffer, static_cast<std::size_t>(n));
            } else if (p.fd == out.read) {
                out.closeRead();
            } else {
                err.closeRead();
            }
        }
    }
}

} // namespace

RunResult run(const std::vector<std::string>& argv, const std::string& stdinText,
              const std::map<std::string, std::string>& extraEnvironment, int timeoutSeconds) {
    RunResult result;
    if (argv.empty() || argv[0].empty()) {
        result.err = "nothing to run (program not built?)";
        return result;
    }
    Pipe in, out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);

    std::vector<std::string> args(argv);
    std::vector<std::string> env = childEnvironment(extraEnvironment);
    auto argp = pointers(args);
    auto envp = pointers(env);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    in.closeRead();
    out.closeWrite();
    err.closeWrite();
    if (rc != 0) {
        result.err = "cannot start " + args[0] + ": " + std::strerror(rc);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pump(in, out, err, stdinText, result, deadline, pid);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TestEnvironment::TestEnvironment() {
    std::string pattern = (sys::tempFolder() / "quillmoor-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder: " +
                                 std::string(std::strerror(errno)));
    root_ = pattern;
    for (const char* name : {reg::kFolderVariable, "SSDIR", "SSUSER"}) {
        const char* value = std::getenv(name);
        saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    fs::create_directories(registryFolder());
    ::setenv(reg::kFolderVariable, registryFolder().c_str(), 1);
    ::unsetenv("SSDIR");
    ::unsetenv("SSUSER");
}

TestEnvironment::~TestEnvironment() {
    for (const auto& [name, value] : saved_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    std::error_code ec;
    // Working files are often read-only; give the owner write access back before removing.
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root_, ec);
}

std::filesystem::path TestEnvironment::createDatabase(const std::string& name,
                                                      const std::string& user) {
    const fs::path folder = root_ / name;
    database_.clear();
    ss({"create", folder.string()});
    database_ = folder;
    if (strcasecmp(user.c_str(), "Admin") != 0)
        ss({"adduser", user}, {}, true, "Admin");
    ss({"register", "--name", name}, {}, true, "Admin");
    return folder;
}

RunResult TestEnvironment::ss(const std::vector<std::string>& args, const std::string& stdinText,
                              bool expectSuccess, const std::optional<std::string>& user) {
    std::vector<std::string> argv{ssTool().string()};
    if (!database_.empty()) {
        argv.push_back("--db");
        argv.push_back(database_.string());
    }
    if (user) {
        argv.push_back("--user");
        argv.push_back(*user);
    }
    argv.insert(argv.end(), args.begin(), args.end());
    RunResult result = run(argv, stdinText);
    if (expectSuccess && result.exitCode != 0) {
        std::ostringstream command;
        for (const auto& a : argv)
            command << a << ' ';
        ADD_FAILURE() << "ss failed (" << result.exitCode << "): " << command.str() << "\n"
                      << result.err;
    }
    return result;
}

std::filesystem::path TestEnvironment::write(const std::filesystem::path& relative,
                                             const std::string& text) {
    const fs::path file = relative.is_absolute() ? relative : root_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
    return file;
}

std::string TestEnvironment::read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TestEnvironment::currentUser() {
    return sys::logonName();
}

} // namespace testenv
