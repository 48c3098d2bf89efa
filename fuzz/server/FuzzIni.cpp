// srcsafe.ini text: parsing never fails, and every key it yields is folded, trimmed and free
// of line ends.
#include "Config.h"
#include "Names.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& [key, value] : vss::server::Config::parseIni(text)) {
        if (key.empty() || key != vss::server::Names::fold(key) ||
            key.find('\n') != std::string::npos || value.find('\n') != std::string::npos ||
            key.front() == ' ' || key.back() == ' ')
            std::abort();
    }
    return 0;
}
