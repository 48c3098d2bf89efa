// Reading the binding file beside a project file: its first line names the SourceSafe project.
#pragma once

#include <filesystem>
#include <string>

namespace core {

// A binding is one SourceSafe path; a first line longer than this is not one, and reading no
// further keeps a huge or binary file from costing time or memory.
inline constexpr std::size_t kMaxBindingRead = 64 * 1024;

// The first line of the file (without its line end); empty when the file is missing, not a
// plain file, unreadable, or its first line runs past kMaxBindingRead.
std::string readBindingFile(const std::filesystem::path& file);

} // namespace core
