#include "CaseFold.h"

#include "Utf8.h"

#include <QChar>

namespace sys {

std::string foldCase(std::string_view text) {
    // Names are mostly ASCII: that part is lowered in place.
    std::string folded(text);
    std::size_t at = 0;
    for (; at < folded.size() && static_cast<unsigned char>(folded[at]) < 0x80; ++at)
        if (folded[at] >= 'A' && folded[at] <= 'Z')
            folded[at] = static_cast<char>(folded[at] - 'A' + 'a');
    if (at == folded.size())
        return folded;
    folded.resize(at);
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
