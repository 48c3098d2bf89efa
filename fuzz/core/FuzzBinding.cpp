// The binding file: whatever it holds, the reader returns a prefix of it without a line end,
// never longer than the read bound.
#include "BindingFile.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::filesystem::path& scratchFile() {
    static const std::filesystem::path file = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "fuzz-binding-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        return std::filesystem::path(pattern);
    }();
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(scratchFile(), std::ios::binary | std::ios::trunc);
        out << content;
    }
    const std::string line = core::readBindingFile(scratchFile());
    if (line.size() > core::kMaxBindingRead || line.find_first_of("\r\n") != std::string::npos ||
        content.compare(0, line.size(), line) != 0)
        std::abort();
    // A first line that ends within the bound is returned whole.
    const std::size_t end = content.find_first_of("\r\n");
    if (end != std::string::npos && end < core::kMaxBindingRead && line.size() != end)
        std::abort();
    return 0;
}
