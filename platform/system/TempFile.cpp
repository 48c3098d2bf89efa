// Exclusive temporary files over POSIX.
#include "TempFile.h"

#include "System.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace sys {

namespace fs = std::filesystem;

namespace {

constexpr int kNumberedNames = 100;
constexpr int kRandomAttempts = 100;

std::string errorText(int error) {
    return std::generic_category().message(error);
}

// Creates the file only when the name is free; a planted link counts as taken.
bool createExclusive(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno == EEXIST)
        return false;
    throw SystemError("Cannot create the temporary file " + file.string() + ": " +
                      errorText(errno));
}

std::string randomNumber() {
    static std::random_device device;
    std::uniform_int_distribution<unsigned long long> digits(1000000000ULL, 9999999999ULL);
    return std::to_string(digits(device));
}

} // namespace

fs::path privateTempFolder() {
    const fs::path folder = tempFolder() / ("quillmoor-" + std::to_string(::geteuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw SystemError("Cannot create the temporary folder " + folder.string() + ": " +
                          errorText(errno));
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0)
        throw SystemError("Cannot examine the temporary folder " + folder.string() + ": " +
                          errorText(errno));
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        throw SystemError("The temporary folder " + folder.string() +
                          " is not a folder of this user; remove it and try again");
    if ((status.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        throw SystemError("Cannot make the temporary folder " + folder.string() +
                          " private: " + errorText(errno));
    return folder;
}

fs::path createTempFile(std::string_view prefix, std::string_view extension) {
    const fs::path folder = privateTempFolder();
    const auto name = [&](const std::string& number) {
        return folder / (std::string(prefix) + number + std::string(extension));
    };
    for (int number = 0; number < kNumberedNames; ++number) {
        const fs::path file = name(std::to_string(number));
        if (createExclusive(file))
            return file;
    }
    for (int attempt = 0; attempt < kRandomAttempts; ++attempt) {
        const fs::path file = name(randomNumber());
        if (createExclusive(file))
            return file;
    }
    throw SystemError("Cannot create a temporary file in " + folder.string() +
                      ": every name tried is taken");
}

} // namespace sys
