#include "LocalFile.h"

#include "Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vss::server {

namespace fs = std::filesystem;

namespace {

std::string reason() {
    return std::strerror(errno);
}

VssError fileError(const std::string& what, const fs::path& file) {
    return VssError(what + " " + quote(file.string()) + ": " + reason());
}

std::string randomSuffix() {
    static thread_local std::mt19937_64 random(std::random_device{}());
    static const char digits[] = "0123456789abcdef";
    std::string s;
    std::uint64_t v = random();
    for (int i = 0; i < 12; ++i, v >>= 4)
        s += digits[v & 15];
    return s;
}

void writeAll(int fd, const char* data, std::size_t size, const fs::path& file) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fileError("Cannot write", file);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void prepareFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return;
    if (fs::exists(folder, ec))
        throw VssError("The working folder " + quote(folder.string()) + " is not a folder.");
    fs::create_directories(folder, ec);
    if (ec)
        throw VssError("Cannot create the working folder " + quote(folder.string()) + ": " +
                       ec.message());
}

} // namespace

LocalFile::Reader::Reader(const fs::path& file) : file_(file) {
    switch (kind(file)) {
    case Kind::Missing:
        throw VssError("The file " + quote(file.string()) + " does not exist.");
    case Kind::Folder:
        throw VssError(quote(file.string()) + " is a folder, not a file.");
    case Kind::Link:
        throw VssError(quote(file.string()) + " is a symbolic link; only plain files are kept.");
    case Kind::Other:
        throw VssError(quote(file.string()) + " is not a plain file.");
    case Kind::Plain:
        break;
    }
    fd_ = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        throw fileError("Cannot read the file", file);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw VssError(quote(file.string()) + " is not a plain file.");
    }
    size_ = st.st_size;
}

LocalFile::Reader::~Reader() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t LocalFile::Reader::read(char* buffer, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        const ssize_t n = ::read(fd_, buffer + total, size - total);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fileError("Cannot read the file", file_);
        }
        if (n == 0)
            break;
        total += static_cast<std::size_t>(n);
    }
    return total;
}

void LocalFile::Reader::rewind() {
    if (::lseek(fd_, 0, SEEK_SET) != 0)
        throw fileError("Cannot read the file", file_);
}

fs::path LocalFile::writeTemporary(const fs::path& target, const Producer& produce,
                                   const WriteOptions& options, bool sync) {
    const Kind existing = kind(target);
    if (existing == Kind::Folder)
        throw VssError("Cannot write " + quote(target.string()) + ": a folder has that name.");
    if (existing == Kind::Link)
        throw VssError("Cannot write " + quote(target.string()) +
                       ": it is a symbolic link, which is left alone.");
    if (existing == Kind::Other)
        throw VssError("Cannot write " + quote(target.string()) + ": it is not a plain file.");
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    prepareFolder(folder);

    fs::path temp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = folder / ("." + target.filename().string() + ".vss-" + randomSuffix());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && (errno != EEXIST || attempt > 20))
            throw fileError("Cannot write in the folder", folder);
    }
    try {
        produce([&](const char* data, std::size_t size) { writeAll(fd, data, size, temp); });
        mode_t mode = 0644;
        struct stat st {};
        if (existing == Kind::Plain && ::stat(target.c_str(), &st) == 0)
            mode = st.st_mode & 0777;
        mode = options.readOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
        if (::fchmod(fd, mode) != 0)
            throw fileError("Cannot set the permissions of", temp);
        if (options.modificationTime) {
            timespec times[2] = {{*options.modificationTime, 0}, {*options.modificationTime, 0}};
            if (::futimens(fd, times) != 0)
                throw fileError("Cannot set the time stamp of", temp);
        }
        if (sync && ::fsync(fd) != 0)
            throw fileError("Cannot write", temp);
        const int rc = ::close(fd);
        fd = -1;
        if (rc != 0)
            throw fileError("Cannot write", temp);
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    return temp;
}

void LocalFile::writeAtomically(const fs::path& target, const Producer& produce,
                                const WriteOptions& options) {
    const fs::path temp = writeTemporary(target, produce, options, true);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const VssError error = fileError("Cannot replace", target);
        ::unlink(temp.c_str());
        throw error;
    }
}

LocalFile::Batch::~Batch() {
    for (const Staged& s : staged_)
        ::unlink(s.temp.c_str());
}

void LocalFile::Batch::stage(const fs::path& target, const Producer& produce,
                             const WriteOptions& options, std::function<void()> done) {
    staged_.push_back({writeTemporary(target, produce, options, false), target, std::move(done)});
}

std::vector<std::string> LocalFile::Batch::commit() {
    std::vector<std::string> failures;
    // One sync per file system holding a staged file.
    std::vector<dev_t> synced;
    for (const Staged& s : staged_) {
        struct stat st {};
        if (::stat(s.temp.c_str(), &st) != 0 ||
            std::find(synced.begin(), synced.end(), st.st_dev) != synced.end())
            continue;
        const int fd = ::open(s.temp.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0) {
            const std::string why = reason();
            if (fd >= 0)
                ::close(fd);
            throw VssError("Cannot write the files to disk: " + why);
        }
        ::close(fd);
        synced.push_back(st.st_dev);
    }
    std::vector<Staged> staged = std::move(staged_);
    staged_.clear();
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const Staged& s = staged[i];
        if (::rename(s.temp.c_str(), s.target.c_str()) != 0) {
            failures.push_back(fileError("Cannot replace", s.target).what());
            ::unlink(s.temp.c_str());
            continue;
        }
        try {
            s.done();
        } catch (...) {
            for (std::size_t j = i + 1; j < staged.size(); ++j)
                ::unlink(staged[j].temp.c_str());
            throw;
        }
    }
    return failures;
}

LocalFile::Kind LocalFile::kind(const fs::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0)
        return Kind::Missing;
    if (S_ISLNK(st.st_mode))
        return Kind::Link;
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    if (S_ISREG(st.st_mode))
        return Kind::Plain;
    return Kind::Other;
}

bool LocalFile::isWritable(const fs::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 0222) != 0;
}

void LocalFile::setReadOnly(const fs::path& file, bool readOnly) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    const mode_t mode = readOnly ? (st.st_mode & 0555) : ((st.st_mode & 0777) | S_IWUSR);
    if (::chmod(file.c_str(), mode) != 0)
        throw fileError("Cannot change the read-only state of", file);
}

std::int64_t LocalFile::modificationTime(const fs::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0)
        return 0;
    return st.st_mtim.tv_sec;
}

fs::path LocalFile::normalize(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    std::string out;
    for (char c : p) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    if (out.empty())
        return {};
    fs::path result(out);
    if (result.is_relative())
        result = fs::absolute(result);
    return result.lexically_normal();
}

} // namespace vss::server
