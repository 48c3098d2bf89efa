// Preloaded into a program under test: makes exactly one I/O call fail, the N-th write to a
// regular file, fsync, rename or link (QM_FAULT_AT=N, counting from 1), as a full or failing
// disk would. When it fails a call it creates the file QM_FAULT_MARK, so the test knows that
// the run reached the N-th call. QM_FLUSH_LOG=FILE appends a line "flush" to FILE for every
// fsync, fdatasync or syncfs. QM_FAULT_READONLY=FOLDER makes everything below FOLDER behave as
// on a read-only file system: opening for writing, creating and access(W_OK) fail with EROFS.
// QM_FAULT_PLAIN_FS=1 makes the file system one without links to unnamed files (EPERM) and
// without swapping renames (EINVAL).
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

long calls = 0;

bool failHere() {
    static long target = -1;
    if (target < 0) {
        const char* at = getenv("QM_FAULT_AT");
        target = at ? atol(at) : 0;
    }
    if (target <= 0 || ++calls != target)
        return false;
    const char* mark = getenv("QM_FAULT_MARK");
    if (mark) {
        const int fd = ::open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            close(fd);
    }
    return true;
}

bool plainFileSystem() {
    const char* plain = getenv("QM_FAULT_PLAIN_FS");
    return plain && *plain == '1';
}

bool readOnlyPath(const char* path) {
    const char* folder = getenv("QM_FAULT_READONLY");
    return folder && *folder && path && strncmp(path, folder, strlen(folder)) == 0;
}

bool writes(int flags) {
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
}

bool isFile(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

template <class F> F next(F, const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

#define NEXT(name) next(&::name, #name)

namespace {

void logFlush() {
    const char* log = getenv("QM_FLUSH_LOG");
    if (!log || !*log)
        return;
    const int fd = NEXT(open)(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    static const char line[] = "flush\n";
    if (NEXT(write)(fd, line, sizeof line - 1) < 0) {
        // The count is then short, which the test reading it notices.
    }
    close(fd);
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (writes(flags) && readOnlyPath(path)) {
        errno = EROFS;
        return -1;
    }
    return NEXT(open)(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (writes(flags) && readOnlyPath(path)) {
        errno = EROFS;
        return -1;
    }
    return NEXT(open64)(path, flags, mode);
}

int access(const char* path, int how) noexcept {
    if ((how & W_OK) && readOnlyPath(path)) {
        errno = EROFS;
        return -1;
    }
    return NEXT(access)(path, how);
}

ssize_t write(int fd, const void* data, size_t size) {
    if (isFile(fd) && failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(write)(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    if (isFile(fd) && failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(pwrite)(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset) {
    if (isFile(fd) && failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(pwrite64)(fd, data, size, offset);
}

ssize_t writev(int fd, const struct iovec* iov, int count) {
    if (isFile(fd) && failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(writev)(fd, iov, count);
}

int fsync(int fd) {
    if (failHere()) {
        errno = EIO;
        return -1;
    }
    logFlush();
    return NEXT(fsync)(fd);
}

int fdatasync(int fd) {
    if (failHere()) {
        errno = EIO;
        return -1;
    }
    logFlush();
    return NEXT(fdatasync)(fd);
}

int syncfs(int fd) noexcept {
    if (failHere()) {
        errno = EIO;
        return -1;
    }
    logFlush();
    return NEXT(syncfs)(fd);
}

int rename(const char* from, const char* to) noexcept {
    if (failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(rename)(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
    if (failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to,
              unsigned int flags) noexcept {
    if ((flags & RENAME_EXCHANGE) && plainFileSystem()) {
        errno = EINVAL;
        return -1;
    }
    if (failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(renameat2)(fromDir, from, toDir, to, flags);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) noexcept {
    if (plainFileSystem() &&
        ((flags & AT_EMPTY_PATH) || strncmp(from, "/proc/self/fd/", 14) == 0)) {
        errno = EPERM;
        return -1;
    }
    if (failHere()) {
        errno = ENOSPC;
        return -1;
    }
    return NEXT(linkat)(fromDir, from, toDir, to, flags);
}

} // extern "C"
