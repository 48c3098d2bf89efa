#include "CaseFold.h"

#include "Utf8.h"

#include <QChar>

namespace sys {

std::string foldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) < 0x80) {
            folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            ++at;
            continue;
        }
        char32_t code = 0;
        std::size_t length = 0;
        if (decodeUtf8(text, at, code, length)) {
            appendUtf8(folded, QChar::toCaseFolded(code));
            at += length;
        } else {
            folded += c;
            ++at;
        }
    }
    return folded;
}

int caseFoldingVersion() {
    return static_cast<int>(QChar::currentUnicodeVersion());
}

} // namespace sys
