#include "HiveStore.h"

#include <QLockFile>
#include <QSaveFile>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <system_error>

namespace reg::detail {

namespace fs = std::filesystem;

namespace {

constexpr int kStaleLockMilliseconds = 10000;
constexpr int kLockWaitMilliseconds = 30000;

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeNanoseconds = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;

    static FileIdentity of(const struct stat& st) {
        return {st.st_dev, st.st_ino, st.st_size,
                static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    }
};

struct CachedHive {
    FileIdentity identity;
    std::shared_ptr<const Hive> hive;
};

std::mutex cacheMutex;
std::map<std::string, CachedHive>& cache() {
    static std::map<std::string, CachedHive> map;
    return map;
}

// Serialises this process's writers; other processes are kept out by the lock file.
std::mutex writeMutex;

std::string errorText(int error) {
    return std::generic_category().message(error);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

[[noreturn]] void refuseRead(const fs::path& file, const std::string& reason) {
    throw RegistryError("Cannot read the registry hive " + file.string() + ": " + reason);
}

[[noreturn]] void refuseWrite(const fs::path& file, const std::string& reason,
                              const char* what = "the registry hive") {
    throw RegistryError(std::string("Cannot write ") + what + " " + file.string() + ": " + reason);
}

std::string readAll(int fd, const fs::path& file, std::size_t sizeHint) {
    std::string bytes;
    bytes.reserve(sizeHint);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            refuseRead(file, errorText(errno));
        if (n == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::shared_ptr<const Hive> readHiveFile(Root root, const fs::path& file) {
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::make_shared<const Hive>(root);
        refuseRead(file, errorText(errno));
    }
    // The identity of the file actually opened, so a concurrent replacement cannot pair old
    // contents with a new identity.
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        refuseRead(file, errorText(errno));
    if (!S_ISREG(st.st_mode))
        refuseRead(file, "not a plain file");
    const FileIdentity identity = FileIdentity::of(st);
    const std::string key = file.string();
    {
        std::lock_guard lock(cacheMutex);
        const auto it = cache().find(key);
        if (it != cache().end() && it->second.identity == identity)
            return it->second.hive;
    }
    const std::string text = readAll(fd.get(), file, static_cast<std::size_t>(st.st_size));
    auto hive = std::make_shared<const Hive>(Hive::parse(root, text, file.string()));
    std::lock_guard lock(cacheMutex);
    cache()[key] = {identity, hive};
    return hive;
}

// The hives are the user's private settings: the folder is the user's alone, also when it was
// made before with a wider mode (by hand, or under an earlier version).
void ensureFolder(const fs::path& folder, const fs::path& file) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        if (folder.has_parent_path() && !fs::is_directory(folder.parent_path(), ec)) {
            fs::create_directories(folder.parent_path(), ec);
            if (ec)
                refuseWrite(file, "cannot create the folder " + folder.parent_path().string() +
                                      ": " + ec.message());
        }
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            refuseWrite(file,
                        "cannot create the folder " + folder.string() + ": " + errorText(errno));
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        refuseWrite(file, "cannot examine the folder " + folder.string() + ": " + errorText(errno));
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), st.st_mode & 07700) != 0)
        refuseWrite(file,
                    "cannot make the folder " + folder.string() + " private: " + errorText(errno));
}

void refuseReadOnlyFile(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return; // missing: it will be created
    // A hive whose write bits are all cleared was marked read-only on purpose; honoured even
    // where the process could override it.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0)
        refuseWrite(file, "the file is read-only");
}

void takeLock(QLockFile& lock, const fs::path& file) {
    lock.setStaleLockTime(kStaleLockMilliseconds);
    if (lock.tryLock(kLockWaitMilliseconds))
        return;
    switch (lock.error()) {
    case QLockFile::LockFailedError:
        refuseWrite(file, "its lock file " + lock.fileName().toStdString() +
                              " is held by another process");
    case QLockFile::PermissionError:
        refuseWrite(file, "permission denied for its lock file " + lock.fileName().toStdString());
    default:
        refuseWrite(file, "cannot create its lock file " + lock.fileName().toStdString());
    }
}

void remember(const fs::path& file, std::shared_ptr<const Hive> hive) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return;
    std::lock_guard lock(cacheMutex);
    cache()[file.string()] = {FileIdentity::of(st), std::move(hive)};
}

} // namespace

std::shared_ptr<const Hive> loadHive(Root root) {
    return readHiveFile(root, hiveFile(root));
}

void modifyHive(Root root, const std::function<bool(Hive&)>& change) {
    const fs::path file = hiveFile(root);
    std::lock_guard inProcess(writeMutex);
    ensureFolder(file.parent_path(), file);
    QLockFile lock(QString::fromStdString(file.string() + ".lock"));
    takeLock(lock, file);
    refuseReadOnlyFile(file);
    // Re-read under the lock: another process may have written since our last read. A hive
    // that does not parse raises here and is never rewritten.
    auto updated = std::make_shared<Hive>(*readHiveFile(root, file));
    if (!change(*updated))
        return;
    saveFile(file, updated->serialize(), "the registry hive");
    remember(file, std::move(updated));
}

void saveFile(const fs::path& file, const std::string& text, const char* what) {
    QSaveFile save(QString::fromStdString(file.string()));
    save.setDirectWriteFallback(false);
    if (!save.open(QIODevice::WriteOnly))
        refuseWrite(file, save.errorString().toStdString(), what);
    if (::fchmod(save.handle(), S_IRUSR | S_IWUSR) != 0) {
        const int error = errno;
        save.cancelWriting();
        refuseWrite(file, errorText(error), what);
    }
    if (save.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !save.commit())
        refuseWrite(file, save.errorString().toStdString(), what);
}

} // namespace reg::detail
