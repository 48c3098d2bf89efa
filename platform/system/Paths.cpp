#include "Paths.h"

namespace sys {

namespace {

bool isDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }
bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Index one past the last delimiter, 0 when there is none.
std::size_t afterLastDelimiter(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (isDelimiter(path[i - 1]))
            return i;
    return 0;
}

} // namespace

std::string extractFileName(std::string_view path) {
    return std::string(path.substr(afterLastDelimiter(path)));
}

std::string extractFileDir(std::string_view path) {
    std::size_t end = afterLastDelimiter(path); // keeps the delimiter itself
    if (end > 1 && isSeparator(path[end - 1]) && !isDelimiter(path[end - 2]))
        --end;
    return std::string(path.substr(0, end));
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string result(folder);
    result += kPathSeparator;
    result += name;
    return result;
}

} // namespace sys
