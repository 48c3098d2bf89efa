// System services over POSIX.
#include "System.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace sys {

namespace fs = std::filesystem;

namespace {

std::string errorText(int error) {
    return std::generic_category().message(error);
}

std::string nonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// What the started child reports through the pipe when it cannot run the program.
struct ChildFailure {
    int stage; // 0 fork, 1 change folder, 2 exec
    int error;
};

void writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Reads until end of file or `size` bytes; returns the count read.
std::size_t readAll(int fd, void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

// Runs in the intermediate child after fork: only async-signal-safe calls from here on.
[[noreturn]] void runGrandchild(int reportFd, char* const* argv, const char* folder) {
    const pid_t pid = ::fork();
    if (pid < 0) {
        const ChildFailure failure{0, errno};
        writeAll(reportFd, &failure, sizeof failure);
        ::_exit(1);
    }
    if (pid > 0)
        ::_exit(0); // the grandchild is adopted by init, which reaps it
    if (folder != nullptr && ::chdir(folder) != 0) {
        const ChildFailure failure{1, errno};
        writeAll(reportFd, &failure, sizeof failure);
        ::_exit(127);
    }
    ::execvp(argv[0], argv);
    const ChildFailure failure{2, errno};
    writeAll(reportFd, &failure, sizeof failure);
    ::_exit(127);
}

} // namespace

std::string logonName() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 1024, '\0');
    passwd entry{};
    passwd* found = nullptr;
    int rc;
    while ((rc = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found)) ==
               ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc == 0 && found != nullptr && found->pw_name != nullptr && *found->pw_name != '\0')
        return found->pw_name;
    for (const char* variable : {"USER", "LOGNAME"}) {
        std::string name = nonEmptyVariable(variable);
        if (!name.empty())
            return name;
    }
    throw SystemError("Cannot determine the logon name of user id " + std::to_string(::geteuid()));
}

fs::path tempFolder() {
    const std::string folder = nonEmptyVariable("TMPDIR");
    return folder.empty() ? fs::path("/tmp") : fs::path(folder);
}

void startProcess(const std::vector<std::string>& argv, const fs::path& workingFolder) {
    if (argv.empty() || argv.front().empty())
        throw SystemError("Cannot start a program: no program given");
    // Everything the children need is prepared before fork.
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::string folder = workingFolder.string();

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw SystemError("Cannot start " + argv.front() + ": " + errorText(errno));
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        throw SystemError("Cannot start " + argv.front() + ": " + errorText(error));
    }
    if (child == 0) {
        ::close(fds[0]);
        runGrandchild(fds[1], args.data(), folder.empty() ? nullptr : folder.c_str());
    }
    ::close(fds[1]);
    ChildFailure failure{};
    // End of file without a report: the program's exec closed the pipe, so it runs.
    const std::size_t got = readAll(fds[0], &failure, sizeof failure);
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != sizeof failure)
        return;
    switch (failure.stage) {
    case 1:
        throw SystemError("Cannot start " + argv.front() + " in folder " + folder + ": " +
                          errorText(failure.error));
    default:
        throw SystemError("Cannot start " + argv.front() + ": " + errorText(failure.error));
    }
}

void openWithAssociatedProgram(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec))
        throw SystemError("Cannot open " + file.string() + ": the file does not exist");
    startProcess({"xdg-open", file.string()});
}

FileAttributes fileAttributes(const fs::path& file) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (ec || !fs::exists(status))
        throw SystemError("Cannot examine " + file.string() + ": " +
                          (ec ? ec.message() : errorText(ENOENT)));
    FileAttributes attributes;
    const fs::perms writeBits =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    attributes.readOnly = (status.permissions() & writeBits) == fs::perms::none;
    attributes.hidden = file.filename().string().starts_with('.');
    attributes.directory = fs::is_directory(status);
    return attributes;
}

void setReadOnly(const fs::path& file, bool readOnly) {
    std::error_code ec;
    if (readOnly)
        fs::permissions(file,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
    else
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec)
        throw SystemError("Cannot change the read-only attribute of " + file.string() + ": " +
                          ec.message());
}

void setHidden(const fs::path& file, bool /*hidden*/) {
    std::error_code ec;
    if (!fs::exists(file, ec))
        throw SystemError("Cannot change the hidden attribute of " + file.string() + ": " +
                          (ec ? ec.message() : errorText(ENOENT)));
}

void setFileAttributes(const fs::path& file, unsigned attributes) {
    setReadOnly(file, (attributes & kAttributeReadOnly) != 0);
    setHidden(file, (attributes & kAttributeHidden) != 0);
}

std::vector<std::string> listPlainFiles(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        throw SystemError("Cannot list the folder " + folder.string() + ": " + ec.message());
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            names.push_back(it->path().filename().string());
    }
    if (ec)
        throw SystemError("Cannot list the folder " + folder.string() + ": " + ec.message());
    return names;
}

} // namespace sys
