// UTF-8 <-> UTF-16 for the automation boundary. Each ill-formed sequence (a maximal subpart of
// a UTF-8 sequence, an unpaired surrogate) becomes one U+FFFD.
#include "Com.h"

#include "system/Utf8.h"

#include <cstdint>
#include <cstring>

namespace com {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at `at`, advancing it; ill-formed input gives kReplacement.
char32_t decodeUtf8(std::string_view s, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at++);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t cp = 0;
    unsigned char low = 0x80, high = 0xBF; // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return kReplacement;
    }
    for (int i = 1; i < length; ++i) {
        if (at >= s.size())
            return kReplacement;
        const unsigned char b = byte(at);
        const unsigned char lo = i == 1 ? low : 0x80;
        const unsigned char hi = i == 1 ? high : 0xBF;
        if (b < lo || b > hi)
            return kReplacement; // the offending byte starts the next sequence
        cp = (cp << 6) | (b & 0x3F);
        ++at;
    }
    return cp;
}

// The length of the leading run of ASCII characters, looked at eight bytes at a time.
template <typename Char> std::size_t asciiPrefix(std::basic_string_view<Char> s) {
    constexpr std::uint64_t kHighBits =
        sizeof(Char) == 1 ? 0x8080808080808080ULL : 0xFF80FF80FF80FF80ULL;
    constexpr std::size_t kPerWord = 8 / sizeof(Char);
    std::size_t n = 0;
    for (std::uint64_t word = 0; n + kPerWord <= s.size(); n += kPerWord) {
        std::memcpy(&word, s.data() + n, 8);
        if ((word & kHighBits) != 0)
            break;
    }
    while (n < s.size() && static_cast<std::uint32_t>(s[n]) < 0x80)
        ++n;
    return n;
}

// Copies the ASCII characters one code unit wide into another.
template <typename To, typename From>
std::basic_string<To> copyAscii(std::basic_string_view<From> s, std::size_t n) {
    std::basic_string<To> out(n, To{});
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<To>(s[i]);
    return out;
}

using sys::appendUtf8;

} // namespace

std::u16string widen(std::string_view utf8) {
    // Names and paths are mostly ASCII: that part is copied as it is.
    std::size_t at = asciiPrefix(utf8);
    std::u16string out = copyAscii<char16_t>(utf8, at);
    if (at == utf8.size())
        return out;
    out.reserve(utf8.size());
    while (at < utf8.size()) {
        const char32_t cp = decodeUtf8(utf8, at);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string narrow(std::u16string_view utf16) {
    std::size_t i = asciiPrefix(utf16);
    std::string out = copyAscii<char>(utf16, i);
    if (i == utf16.size())
        return out;
    out.reserve(i + 3 * (utf16.size() - i));
    for (; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        char32_t cp = u;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(utf16[i + 1]) - 0xDC00);
                ++i;
            } else {
                cp = kReplacement;
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            cp = kReplacement;
        }
        appendUtf8(out, cp);
    }
    return out;
}

} // namespace com
