#include "LocalFile.h"

#include "Errors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utility>

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

constexpr std::size_t kMaxFileName = 255;
constexpr std::string_view kTempMark = ".vss-";
constexpr std::size_t kSuffixLength = 12;
constexpr std::time_t kStaleSeconds = 60;

// The part of a target's name that its temporary files carry: cut, on a character boundary,
// so that "." + part + ".vss-" + suffix fits a file name whatever the name's length.
std::string temporaryStem(const std::string& name) {
    std::size_t keep = kMaxFileName - 1 - kTempMark.size() - kSuffixLength;
    if (name.size() <= keep)
        return name;
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return name.substr(0, keep);
}

std::string temporaryName(const std::string& name) {
    return "." + temporaryStem(name) + std::string(kTempMark) + randomSuffix();
}

// "." + stem + ".vss-" + 12 hex digits; with a stem, that stem only.
bool isTemporaryName(std::string_view entry, const std::string& stem) {
    const std::size_t tail = kTempMark.size() + kSuffixLength;
    if (entry.size() < 2 + tail || entry.front() != '.')
        return false;
    const std::string_view mark = entry.substr(entry.size() - tail, kTempMark.size());
    const std::string_view suffix = entry.substr(entry.size() - kSuffixLength);
    if (mark != kTempMark || suffix.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return false;
    return stem.empty() || entry.substr(1, entry.size() - 1 - tail) == stem;
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

// Time stamps of file changes come from the kernel's coarse clock, which moves in ticks.
timespec clockTick() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

timespec lastInstantBefore(timespec t) {
    if (t.tv_nsec > 0)
        return {t.tv_sec, t.tv_nsec - 1};
    return {t.tv_sec - 1, 999999999};
}

// A file found with a modification time this recent may be changed again within the same
// tick (or the same unit of a coarse file system) without its time changing.
constexpr std::chrono::nanoseconds kSettleMargin = std::chrono::seconds(2);

LocalFile::Kind kindOf(mode_t mode) {
    if (S_ISLNK(mode))
        return LocalFile::Kind::Link;
    if (S_ISDIR(mode))
        return LocalFile::Kind::Folder;
    if (S_ISREG(mode))
        return LocalFile::Kind::Plain;
    return LocalFile::Kind::Other;
}

LocalFile::Status statusOf(const struct stat& st) {
    LocalFile::Status s;
    s.kind = kindOf(st.st_mode);
    s.size = st.st_size;
    s.modificationTime = nanoseconds(st.st_mtim);
    s.inode = st.st_ino;
    s.writable = (st.st_mode & 0222) != 0;
    s.permissions = st.st_mode & 07777;
    return s;
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

namespace {

// Where a new content is written before it takes the target's name: an unnamed file of the
// folder, or a temporary name in it where the system cannot link an unnamed file in.
struct PendingFile {
    int fd = -1;
    fs::path temp; // empty for an unnamed file
};

bool canLinkUnnamed() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// An unnamed file in the folder, or -1 with errno set.
int openUnnamed(const fs::path& folder, mode_t mode) {
    if (!canLinkUnnamed()) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

// The file system (or the kernel) has no unnamed files.
bool unsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

PendingFile openNamed(const fs::path& folder, const fs::path& target, mode_t mode) {
    PendingFile file;
    for (int attempt = 0; file.fd < 0; ++attempt) {
        file.temp = folder / temporaryName(target.filename().string());
        file.fd =
            ::open(file.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (file.fd < 0 && (errno != EEXIST || attempt > 20))
            throw fileError("Cannot write", target);
    }
    return file;
}

// A new file needs no name until it is complete: linking it in then is one step. The folder
// is looked at (and made) only when opening an unnamed file in it fails; a named one goes
// into a folder known to be there.
PendingFile openPending(const fs::path& folder, const fs::path& target, bool unnamed, mode_t mode) {
    if (unnamed) {
        int fd = openUnnamed(folder, mode);
        if (fd < 0 && !unsupported(errno)) {
            prepareFolder(folder);
            fd = openUnnamed(folder, mode);
        }
        if (fd >= 0)
            return {fd, {}};
        if (!unsupported(errno))
            throw fileError("Cannot write", target);
        prepareFolder(folder);
    }
    return openNamed(folder, target, mode);
}

// The folder a target is written into.
fs::path folderOf(const fs::path& target) {
    return target.parent_path().empty() ? fs::path(".") : target.parent_path();
}

std::string descriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// Links an unnamed file in under `target`; false with errno set when that fails. Newer kernels
// link the descriptor itself, which spares resolving its path under /proc; older ones answer
// ENOENT, and are not asked again once the path under /proc has worked instead.
bool linkDescriptor(int fd, const fs::path& target) {
    static std::atomic<bool> byPathOnly{false};
    if (!byPathOnly.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM)
            return false;
    }
    const std::string self = descriptorPath(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0)
        return false;
    byPathOnly.store(true, std::memory_order_relaxed);
    return true;
}

LocalFile::Appeared appeared(const fs::path& target) {
    return LocalFile::Appeared("Cannot write " + quote(target.string()) +
                               ": a file appeared there while it was being written; it was "
                               "left as it is.");
}

// Gives the complete unnamed file the target's name; where a file is known to have that name
// (`taken`), a temporary one, to replace it with. A file found there though none was known raises
// Appeared. False when the file system takes no link to it: the content must then be written
// under a name.
bool linkUnnamed(PendingFile& file, const fs::path& target, bool taken = false) {
    if (!taken) {
        if (linkDescriptor(file.fd, target))
            return true;
        if (errno == EEXIST)
            throw appeared(target);
        return false;
    }
    const fs::path folder = folderOf(target);
    for (int attempt = 0;; ++attempt) {
        const fs::path temp = folder / temporaryName(target.filename().string());
        if (linkDescriptor(file.fd, temp)) {
            file.temp = temp;
            return true;
        }
        if (errno != EEXIST || attempt > 20)
            throw fileError("Cannot write", target);
    }
}

// Swaps the new file in and removes the old one, or hands it to `removeLater`. False where the
// swap cannot be made (the file system has no swap, or the target went), with nothing changed.
bool swapIn(const fs::path& temp, const fs::path& target,
            const LocalFile::RemoveLater& removeLater) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0)
        return false;
    struct stat st {};
    // A folder or a link put in the target's place meanwhile goes back where it was.
    if (::lstat(temp.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
        errno = EISDIR;
        throw fileError("Cannot replace", target);
    }
    if (removeLater)
        removeLater(temp);
    else
        ::unlink(temp.c_str());
    return true;
}

void moveIn(const fs::path& temp, const fs::path& target, bool swap, bool taken,
            const LocalFile::RemoveLater& removeLater = {}) {
    if (swap && swapIn(temp, target, removeLater))
        return;
    if (!taken) {
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return;
        if (errno == EEXIST)
            throw appeared(target);
        if (errno != EINVAL && errno != ENOSYS) // a file system without the flag renames as usual
            throw fileError("Cannot write", target);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0)
        throw fileError("Cannot replace", target);
}

// Gives the complete file the target's name and closes it (file.fd is then -1). False, with the
// file open and nothing changed, where an unnamed file cannot be linked. `taken`: a file is
// known to have the target's name; without one, a file found there raises Appeared. On a
// failure the caller closes what is open and removes file.temp.
bool putInPlace(PendingFile& file, const fs::path& target, bool swap, bool taken,
                const LocalFile::RemoveLater& removeLater = {}) {
    if (file.temp.empty() && !linkUnnamed(file, target, taken))
        return false;
    if (::close(std::exchange(file.fd, -1)) != 0)
        throw fileError("Cannot write", target);
    if (!file.temp.empty())
        moveIn(file.temp, target, swap, taken, removeLater);
    return true;
}

mode_t targetMode(const LocalFile::Status& existing, bool readOnly) {
    const mode_t mode = existing.kind == LocalFile::Kind::Plain
                            ? static_cast<mode_t>(existing.permissions & 0777)
                            : mode_t(0644);
    return readOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
}

// Writes the content and the metadata into the open file and returns its status.
LocalFile::Status fillPending(int fd, const fs::path& target, const LocalFile::Producer& produce,
                              const LocalFile::WriteOptions& options, mode_t mode) {
    produce([&](const char* data, std::size_t size) { writeAll(fd, data, size, target); });
    const timespec tick = clockTick();
    timespec stamp = lastInstantBefore(tick);
    if (options.modificationTime)
        stamp = {static_cast<time_t>(*options.modificationTime), 0};
    const timespec times[2] = {stamp, stamp};
    if (::futimens(fd, times) != 0)
        throw fileError("Cannot set the time stamp of", target);
    if (options.durable && ::fsync(fd) != 0)
        throw fileError("Cannot write", target);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw fileError("Cannot read the status of", target);
    // The mode the file was created with is often the one wanted already.
    if ((st.st_mode & 07777) != mode) {
        if (::fchmod(fd, mode) != 0)
            throw fileError("Cannot set the permissions of", target);
        st.st_mode = (st.st_mode & ~mode_t(07777)) | mode;
    }
    LocalFile::Status written = statusOf(st);
    written.settled =
        written.modificationTime == nanoseconds(stamp) && nanoseconds(stamp) < nanoseconds(tick);
    return written;
}

void refuseSpecial(LocalFile::Kind kind, const fs::path& target) {
    if (kind == LocalFile::Kind::Folder)
        throw VssError("Cannot write " + quote(target.string()) + ": a folder has that name.");
    if (kind == LocalFile::Kind::Link)
        throw VssError("Cannot write " + quote(target.string()) +
                       ": it is a symbolic link, which is left alone.");
    if (kind == LocalFile::Kind::Other)
        throw VssError("Cannot write " + quote(target.string()) + ": it is not a plain file.");
}

} // namespace

LocalFile::Status LocalFile::writeAtomically(const fs::path& target, const Producer& produce,
                                             const WriteOptions& options) {
    const Status existing = options.known ? *options.known : status(target);
    refuseSpecial(existing.kind, target);
    if (auto written = writeVia(target, produce, options, existing, true))
        return *written;
    return *writeVia(target, produce, options, existing, false);
}

std::optional<LocalFile::Status> LocalFile::writeVia(const fs::path& target,
                                                     const Producer& produce,
                                                     const WriteOptions& options,
                                                     const Status& existing, bool unnamed) {
    const fs::path folder = folderOf(target);
    const mode_t mode = targetMode(existing, options.readOnly);
    PendingFile file = openPending(folder, target, unnamed && existing.kind != Kind::Plain, mode);
    Status written;
    try {
        written = fillPending(file.fd, target, produce, options, mode);
        if (!putInPlace(file, target, options.rebuildable && existing.kind == Kind::Plain,
                        existing.kind == Kind::Plain)) {
            ::close(file.fd);
            return std::nullopt;
        }
    } catch (...) {
        if (file.fd >= 0)
            ::close(file.fd);
        if (!file.temp.empty())
            ::unlink(file.temp.c_str());
        throw;
    }
    return written;
}

LocalFile::WrittenAhead::~WrittenAhead() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty())
        ::unlink(temp_.c_str()); // one left behind is a stale temporary, which the sweep takes
}

LocalFile::WrittenAhead::WrittenAhead(WrittenAhead&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), status_(other.status_),
      temp_(std::exchange(other.temp_, {})) {}

LocalFile::WrittenAhead& LocalFile::WrittenAhead::operator=(WrittenAhead&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        if (!temp_.empty())
            ::unlink(temp_.c_str());
        fd_ = std::exchange(other.fd_, -1);
        status_ = other.status_;
        temp_ = std::exchange(other.temp_, {});
    }
    return *this;
}

bool LocalFile::nameAhead(WrittenAhead& copy, const fs::path& target) {
    PendingFile file{copy.fd_, {}};
    try {
        if (!linkUnnamed(file, target, true))
            return false;
    } catch (const VssError&) {
        return false; // the get links it itself, and reports what goes wrong
    }
    copy.temp_ = std::move(file.temp);
    return true;
}

std::optional<LocalFile::WrittenAhead> LocalFile::writeAhead(const fs::path& target,
                                                             const Producer& produce,
                                                             const WriteOptions& options) {
    const fs::path folder = folderOf(target);
    const mode_t mode = targetMode(Status{}, options.readOnly);
    const int fd = openUnnamed(folder, mode);
    if (fd < 0)
        return std::nullopt;
    WrittenAhead copy(fd, {});
    copy.status_ = fillPending(fd, target, produce, options, mode);
    return copy;
}

std::optional<LocalFile::Status> LocalFile::placeAhead(WrittenAhead& copy, const fs::path& target,
                                                       const WriteOptions& options,
                                                       const Status& existing,
                                                       const RemoveLater& removeLater) {
    refuseSpecial(existing.kind, target);
    // Written for a missing file: a file there keeps its permissions, as writeAtomically's do.
    const mode_t mode = targetMode(existing, options.readOnly);
    if ((copy.status_.permissions & 07777) != mode) {
        if (::fchmod(copy.fd_, mode) != 0)
            return std::nullopt;
        copy.status_.permissions = mode;
        copy.status_.writable = (mode & 0222) != 0;
    }
    PendingFile file{copy.fd_, std::exchange(copy.temp_, {})};
    bool placed = false;
    try {
        placed = putInPlace(file, target, options.rebuildable && existing.kind == Kind::Plain,
                            existing.kind == Kind::Plain, removeLater);
    } catch (...) {
        copy.fd_ = file.fd; // still the copy's while it is open
        if (!file.temp.empty())
            ::unlink(file.temp.c_str());
        throw;
    }
    copy.fd_ = file.fd;
    if (!placed)
        return std::nullopt;
    return copy.status_;
}

LocalFile::Status LocalFile::status(const char* file) {
    struct stat st {};
    if (::lstat(file, &st) != 0)
        return {};
    Status result = statusOf(st);
    result.settled = result.modificationTime < nanoseconds(clockTick()) - kSettleMargin.count();
    return result;
}

std::vector<fs::path> LocalFile::removeStaleTemporaries(const fs::path& folder,
                                                        const std::string& name) {
    std::vector<fs::path> removed;
    const std::int64_t now = std::time(nullptr);
    for (const Temporary& temporary : listTemporaries(folder))
        if (isTemporaryOf(temporary.name, name) && isStale(temporary, now) &&
            removeIfStale(folder, temporary.name))
            removed.push_back(folder / temporary.name);
    return removed;
}

std::optional<LocalFile::Place> LocalFile::place(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash + 1 == path.size())
        return std::nullopt;
    return Place{path.substr(0, std::max<std::size_t>(slash, 1)), path.substr(slash + 1)};
}

std::optional<bool> LocalFile::Listing::missing(const std::string& path, std::size_t following) {
    const auto place = LocalFile::place(path);
    if (!place)
        return std::nullopt;
    if (folder_ != place->folder) {
        // A listing pays where it replaces more than a few looks.
        folder_.emplace(place->folder);
        names_ = LocalFile::names(*folder_, 4 * following + 64);
    }
    if (!names_)
        return std::nullopt;
    return !names_->contains(std::string(place->name));
}

std::optional<std::unordered_set<std::string>> LocalFile::names(const fs::path& folder,
                                                                std::size_t limit) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return errno == ENOENT ? std::optional<std::unordered_set<std::string>>(std::in_place)
                               : std::nullopt;
    std::optional<std::unordered_set<std::string>> found(std::in_place);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (found->size() >= limit)
            break;
        found->emplace(entry->d_name);
    }
    if (errno != 0 || found->size() >= limit)
        found.reset();
    ::closedir(dir);
    return found;
}

std::vector<LocalFile::Temporary> LocalFile::listTemporaries(const fs::path& folder) {
    std::vector<Temporary> found;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return found;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name, {}))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            found.push_back({entry->d_name, static_cast<std::int64_t>(st.st_mtime)});
    }
    ::closedir(dir);
    return found;
}

bool LocalFile::isTemporaryOf(const std::string& entry, const std::string& target) {
    return isTemporaryName(entry, target.empty() ? std::string() : temporaryStem(target));
}

bool LocalFile::isStale(const Temporary& temporary, std::int64_t now) {
    return temporary.modificationTime < now - kStaleSeconds;
}

bool LocalFile::removeIfStale(const fs::path& folder, const std::string& entry) {
    const fs::path file = folder / entry;
    struct stat st {};
    if (!isTemporaryName(entry, {}) || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !isStale({entry, static_cast<std::int64_t>(st.st_mtime)}, std::time(nullptr)))
        return false;
    return ::unlink(file.c_str()) == 0;
}

LocalFile::Kind LocalFile::kind(const char* file) {
    struct stat st {};
    if (::lstat(file, &st) != 0)
        return Kind::Missing;
    return kindOf(st.st_mode);
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

namespace {

// An absolute path that normalising would leave as it is: the usual case, a local spec the
// server made, and one that every per-file call of a run hands in.
bool isNormalAbsolute(std::string_view p) {
    if (p.empty() || p.front() != '/' || (p.size() > 1 && p.back() == '/') ||
        p.find('\\') != std::string_view::npos || p.find("//") != std::string_view::npos)
        return false;
    for (std::size_t i = p.find("/."); i != std::string_view::npos; i = p.find("/.", i + 1)) {
        const std::string_view rest = p.substr(i + 2);
        if (rest.empty() || rest.front() == '/' ||
            (rest.front() == '.' && (rest.size() == 1 || rest[1] == '/')))
            return false; // a "." or ".." component
    }
    return true;
}

} // namespace

std::string LocalFile::normalizedText(const std::string& path) {
    return isNormalAbsolute(path) ? path : normalize(path).string();
}

fs::path LocalFile::normalize(const std::string& path) {
    if (isNormalAbsolute(path))
        return fs::path(path);
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
