// Strict UTF-8: one decoder and one encoder for the registry, the case folding and COM strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sys {

// Decodes the well-formed UTF-8 sequence of two to four bytes at `at` into code and length;
// false when the bytes there are not one (overlong forms, surrogates and values past U+10FFFF
// included). ASCII bytes are the caller's to handle.
bool decodeUtf8(std::string_view s, std::size_t at, char32_t& code, std::size_t& length);

// Whether all the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// Appends the code point's UTF-8 bytes.
void appendUtf8(std::string& out, char32_t code);

} // namespace sys
