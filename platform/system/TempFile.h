// Temporary files that nobody else can plant or read.
//
//   std::filesystem::path local = sys::createTempFile("VssTmp", ".pas"); // raises SystemError
//   // local is e.g. <temp folder>/quillmoor-<user id>/VssTmp0.pas, empty, mode 0600
//
// The file is created exclusively (an existing name, a link included, is never opened) in a
// folder that only this user can enter. Names take the first free number 0..99 after the
// prefix; when all hundred are taken, a long random number instead. The files stay: the caller
// hands them to a viewer that may outlive it.
#pragma once

#include <filesystem>
#include <string_view>

namespace sys {

// The user's private folder under the temporary folder (tempFolder()), created with mode 0700
// when missing. Raises when the name is taken by anything that is not this user's own folder
// (a link, a file, another user's folder); a loose mode on the user's own folder is tightened.
std::filesystem::path privateTempFolder();

// Creates a new, empty file prefix + number + extension (extension with its dot, or empty) in
// privateTempFolder(), with mode 0600. Raises when no file can be created.
std::filesystem::path createTempFile(std::string_view prefix, std::string_view extension);

} // namespace sys
