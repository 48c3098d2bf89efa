// File-name parts in the manner the add-in's paths need them: both "\" and "/" separate, a
// drive colon delimits, and a root keeps its separator. Joining uses this platform's "/".
#pragma once

#include <string>
#include <string_view>

namespace sys {

inline constexpr char kPathSeparator = '/';

// The text after the last separator or drive colon: "C:\Work\Demo.dpr" -> "Demo.dpr".
std::string extractFileName(std::string_view path);

// The text before the last separator or drive colon; a separator that directly follows a drive
// colon or another separator stays: "C:\Work\Demo.dpr" -> "C:\Work", "C:\Demo.dpr" -> "C:\",
// "/home/ann/Demo.dpr" -> "/home/ann", "/Demo.dpr" -> "/", "Demo.dpr" -> "".
std::string extractFileDir(std::string_view path);

// folder + "/" + name.
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace sys
