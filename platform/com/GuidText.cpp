// GUID text in the registry's form.
#include "Com.h"
#include "system/HexDigit.h"

#include <cstdio>

namespace com {

namespace {

bool readHex(std::string_view s, std::size_t at, std::size_t digits, std::uint32_t& out) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int d = sys::hexDigitValue(s[at + i]);
        if (d < 0)
            return false;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

} // namespace

std::string formatGuid(const GUID& g) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                  g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return buffer;
}

std::optional<GUID> parseGuid(std::string_view text) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}')
            return std::nullopt;
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    GUID g;
    std::uint32_t v = 0;
    if (!readHex(text, 0, 8, g.data1))
        return std::nullopt;
    if (!readHex(text, 9, 4, v))
        return std::nullopt;
    g.data2 = static_cast<std::uint16_t>(v);
    if (!readHex(text, 14, 4, v))
        return std::nullopt;
    g.data3 = static_cast<std::uint16_t>(v);
    const std::size_t byteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!readHex(text, byteAt[i], 2, v))
            return std::nullopt;
        g.data4[i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

} // namespace com
