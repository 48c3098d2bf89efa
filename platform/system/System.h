// System services the add-in and its tools need from the operating system.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace sys {

class SystemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The logon name of the current user; raises when the system cannot tell.
std::string logonName();

// The folder for temporary files ($TMPDIR, else /tmp).
std::filesystem::path tempFolder();

// Starts a program from an argument vector, with no shell, and does not wait for it. argv[0]
// is the program (a path, or a name looked up in PATH). Raises when it cannot be started
// (missing, not executable), with the reason.
void startProcess(const std::vector<std::string>& argv,
                  const std::filesystem::path& workingFolder = {});

// Opens a file with its associated program (xdg-open); raises when that cannot be started.
void openWithAssociatedProgram(const std::filesystem::path& file);

struct FileAttributes {
    bool readOnly = false; // no write permission bit set
    bool hidden = false;   // see setHidden
    bool directory = false;
};

// Raises when the file cannot be examined.
FileAttributes fileAttributes(const std::filesystem::path& file);
// Read-only clears all write permission bits; writable gives the owner write permission back.
void setReadOnly(const std::filesystem::path& file, bool readOnly);
// This file system has no hidden attribute: a file is hidden when its name starts with ".".
// Setting it therefore changes nothing; the call exists so callers keep their intent.
void setHidden(const std::filesystem::path& file, bool hidden);

// Windows-style attribute bits, as the add-in's files carry them.
inline constexpr unsigned kAttributeReadOnly = 1;
inline constexpr unsigned kAttributeHidden = 2;
// Sets read-only and hidden from the bits (see setReadOnly, setHidden).
void setFileAttributes(const std::filesystem::path& file, unsigned attributes);

// Names of the plain files of a folder (no folders, no special files), in directory order.
// An existing but empty folder gives an empty list; a missing folder raises.
std::vector<std::string> listPlainFiles(const std::filesystem::path& folder);

} // namespace sys
