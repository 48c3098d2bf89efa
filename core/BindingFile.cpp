#include "BindingFile.h"

#include <fstream>

namespace core {

std::string readBindingFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return {};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    std::string buffer(kMaxBindingRead, '\0');
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.bad())
        return {};
    buffer.resize(static_cast<std::size_t>(in.gcount()));
    const std::size_t end = buffer.find_first_of("\r\n");
    if (end != std::string::npos)
        return buffer.substr(0, end);
    // No line end within the bound: the whole file when it ended, nothing for a runaway line.
    return in.eof() ? buffer : std::string();
}

} // namespace core
