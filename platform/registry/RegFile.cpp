#include "RegFile.h"

#include "NamedList.h"
#include "system/HexDigit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

namespace reg::detail {

namespace {

constexpr std::size_t kWrapColumn = 76;

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

bool needsHexForm(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return true;
    return false;
}

std::string quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

// Appends UTF-16LE code units of well-formed UTF-8 text.
void appendUtf16(std::string& bytes, std::string_view text) {
    const auto unit = [&](char32_t u) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>((u >> 8) & 0xFF);
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1   ? lead
                        : length == 2 ? lead & 0x1F
                        : length == 3 ? lead & 0x0F
                                      : lead & 0x07;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        if (code < 0x10000) {
            unit(code);
        } else {
            code -= 0x10000;
            unit(0xD800 + (code >> 10));
            unit(0xDC00 + (code & 0x3FF));
        }
    }
}

using sys::appendUtf8;

// UTF-16 code units as UTF-8; false at an unpaired surrogate.
bool utf16ToUtf8(std::u16string_view units, std::string& out) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t code = units[i];
        if (code >= 0xDC00 && code <= 0xDFFF)
            return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        appendUtf8(out, code);
    }
    return true;
}

std::u16string littleEndianUnits(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return units;
}

// Everything from the first ";" on is a comment (hex and number data hold no ";").
std::string_view withoutComment(std::string_view data) {
    return trimRight(data.substr(0, data.find(';')));
}

// Splits the lines of the text, reads sections and values, and reports where it fails.
class Parser {
public:
    Parser(std::string_view text, const std::string& fileName, ParseMode mode)
        : text_(text), fileName_(fileName), mode_(mode) {}

    std::vector<Section> run() {
        decode();
        bool headerSeen = false;
        std::string_view line;
        while (nextLine(line)) {
            const std::string_view content = trimLeft(trimRight(line));
            if (!headerSeen) {
                if (content.empty())
                    continue;
                if (content == kHeader4)
                    wide_ = false;
                else if (content != kHeader)
                    fail("expected \"" + std::string(kHeader) + "\" or \"" + std::string(kHeader4) +
                         "\"");
                headerSeen = true;
                continue;
            }
            if (content.empty() || content.front() == ';')
                continue;
            if (content.front() == '[')
                readSection(content);
            else
                readValue(content);
        }
        return std::move(sections_);
    }

private:
    // A UTF-16LE file (byte-order mark FF FE) becomes UTF-8; a UTF-8 byte-order mark is skipped.
    void decode() {
        if (text_.starts_with("\xEF\xBB\xBF")) {
            text_.remove_prefix(3);
            return;
        }
        if (text_.starts_with("\xFE\xFF")) {
            lineNumber_ = 1;
            fail("UTF-16 big-endian text is not supported: save the file as UTF-16LE or UTF-8");
        }
        if (!text_.starts_with("\xFF\xFE"))
            return;
        const std::string_view bytes = text_.substr(2);
        const std::u16string units = littleEndianUnits(bytes);
        decoded_.reserve(units.size());
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i <= units.size(); ++i) {
            if (i < units.size() && units[i] != u'\n')
                continue;
            ++lineNumber_;
            const std::size_t stop = i < units.size() ? i + 1 : i;
            if (!utf16ToUtf8(std::u16string_view(units).substr(lineStart, stop - lineStart),
                             decoded_))
                fail("the text is not valid UTF-16");
            lineStart = stop;
        }
        if (bytes.size() % 2 != 0)
            fail("the file ends inside a UTF-16 character");
        lineNumber_ = 0;
        text_ = decoded_;
    }

    bool nextLine(std::string_view& line) {
        if (at_ >= text_.size())
            return false;
        const std::size_t end = text_.find('\n', at_);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
        line = text_.substr(at_, stop - at_);
        at_ = stop == text_.size() ? stop : stop + 1;
        ++lineNumber_;
        // Checked here so that no name or string can hold what a hive could not keep.
        if (line.find('\0') != std::string_view::npos)
            fail(lineNumber_ == 1
                     ? "the line holds NUL characters (a UTF-16 file needs its byte-order mark)"
                     : "the line holds a NUL character");
        if (!isValidUtf8(line))
            fail("the line is not valid UTF-8");
        return true;
    }

    [[noreturn]] void fail(const std::string& reason) const {
        throw RegistryError(fileName_ + ", line " + std::to_string(lineNumber_) + ": " + reason);
    }

    void readSection(std::string_view content) {
        if (content.back() != ']')
            fail("a key line must end with \"]\"");
        std::string_view inner = content.substr(1, content.size() - 2);
        Section section;
        if (!inner.empty() && inner.front() == '-') {
            if (mode_ != ParseMode::Import)
                fail("a hive may not hold key deletions");
            section.remove = true;
            inner.remove_prefix(1);
        }
        const std::size_t slash = inner.find('\\');
        const std::string_view rootText = inner.substr(0, slash);
        const std::optional<Root> root = parseRoot(rootText);
        if (!root)
            fail("unknown root key \"" + std::string(rootText) + "\"");
        section.root = *root;
        section.key =
            slash == std::string_view::npos ? std::string() : normalizeKey(inner.substr(slash + 1));
        if (section.remove && section.key.empty())
            fail("a root key cannot be deleted");
        if (keyParts(section.key).size() > kMaxKeyDepth)
            fail("the key is nested more than " + std::to_string(kMaxKeyDepth) + " levels deep");
        sections_.push_back(std::move(section));
    }

    void readValue(std::string_view content) {
        if (sections_.empty())
            fail("a value must follow a key line");
        ValueLine value;
        std::size_t pos = 0;
        if (content.front() == '@') {
            pos = 1;
        } else if (content.front() == '"') {
            value.name = readQuoted(content, pos);
        } else {
            fail("expected a key line, \"Name\"= or @=");
        }
        std::string_view rest = trimLeft(content.substr(pos));
        if (rest.empty() || rest.front() != '=')
            fail("expected \"=\" after the value name");
        rest = trimLeft(rest.substr(1));
        if (rest.empty())
            fail("no data after \"=\"");
        if (rest.front() != '"' && withoutComment(rest) == "-") {
            if (mode_ != ParseMode::Import)
                fail("a hive may not hold value deletions");
        } else {
            value.value = readData(rest);
        }
        // The values of a deleted key are read but have nothing to change, as in regedit.
        if (!sections_.back().remove)
            sections_.back().values.push_back(std::move(value));
    }

    // Reads a quoted text starting at pos (on the opening quote); leaves pos after the closing.
    std::string readQuoted(std::string_view s, std::size_t& pos) {
        std::string out;
        for (std::size_t i = pos + 1; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '"') {
                pos = i + 1;
                return out;
            }
            if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
                ++i;
            out += s[i];
        }
        fail("a quoted text has no closing quote");
    }

    Value readData(std::string_view data) {
        if (data.front() == '"') {
            std::size_t pos = 0;
            std::string text = readQuoted(data, pos);
            const std::string_view after = trimLeft(data.substr(pos));
            if (!after.empty() && after.front() != ';')
                fail("unexpected text after the closing quote");
            return Value::fromString(std::move(text));
        }
        const std::string_view plain = withoutComment(data);
        if (startsWithNoCase(plain, "dword:"))
            return Value::fromDword(static_cast<std::uint32_t>(readNumber(plain.substr(6), 8)));
        if (startsWithNoCase(plain, "qword:"))
            return Value::fromQword(readNumber(plain.substr(6), 16));
        if (startsWithNoCase(plain, "hex:"))
            return typedValue(ValueType::Binary, readHex(plain.substr(4)));
        if (startsWithNoCase(plain, "hex(")) {
            const std::size_t close = plain.find(')');
            if (close == std::string_view::npos || close + 1 >= plain.size() ||
                plain[close + 1] != ':')
                fail("expected \"hex(TYPE):\"");
            const auto type = static_cast<ValueType>(readNumber(plain.substr(4, close - 4), 8));
            return typedValue(type, readHex(plain.substr(close + 2)));
        }
        fail("unrecognised value data \"" + std::string(plain) + "\"");
    }

    std::uint64_t readNumber(std::string_view digits, std::size_t maxDigits) {
        if (digits.empty() || digits.size() > maxDigits)
            fail("expected 1 to " + std::to_string(maxDigits) + " hexadecimal digits, not \"" +
                 std::string(digits) + "\"");
        std::uint64_t v = 0;
        for (char c : digits) {
            const int d = sys::hexDigitValue(c);
            if (d < 0)
                fail("\"" + std::string(digits) + "\" is not a hexadecimal number");
            v = v * 16 + static_cast<std::uint64_t>(d);
        }
        return v;
    }

    // Hex bytes "41,00,42,00", continued over lines that end with "\".
    std::string readHex(std::string_view first) {
        std::string joined(first);
        while (!joined.empty() && joined.back() == '\\') {
            joined.pop_back();
            std::string_view next;
            if (!nextLine(next))
                fail("the hex data continues past the end of the file");
            joined += trimLeft(withoutComment(trimRight(next)));
        }
        std::string bytes;
        std::string_view rest = joined;
        while (!(rest = trimLeft(rest)).empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = trimRight(rest.substr(0, comma));
            if (item.size() != 2 || sys::hexDigitValue(item[0]) < 0 ||
                sys::hexDigitValue(item[1]) < 0)
                fail("\"" + std::string(item) + "\" is not a hexadecimal byte");
            bytes +=
                static_cast<char>(sys::hexDigitValue(item[0]) * 16 + sys::hexDigitValue(item[1]));
            if (comma == std::string_view::npos)
                break;
            rest = rest.substr(comma + 1);
        }
        return bytes;
    }

    Value typedValue(ValueType type, const std::string& bytes) {
        switch (type) {
        case ValueType::String:
        case ValueType::ExpandString:
            return Value::fromString(readString(bytes), type);
        case ValueType::MultiString:
            return Value::fromMultiString(readStrings(bytes));
        case ValueType::Dword:
            if (bytes.size() != 4)
                fail("a DWORD in hex form needs 4 bytes");
            return Value::fromDword(static_cast<std::uint32_t>(littleEndian(bytes)));
        case ValueType::Qword:
            if (bytes.size() != 8)
                fail("a QWORD needs 8 bytes");
            return Value::fromQword(littleEndian(bytes));
        default:
            return Value::fromBytes(bytes, type);
        }
    }

    static std::uint64_t littleEndian(const std::string& bytes) {
        std::uint64_t v = 0;
        for (std::size_t i = bytes.size(); i-- > 0;)
            v = (v << 8) | static_cast<unsigned char>(bytes[i]);
        return v;
    }

    // The characters of a string in hex form: UTF-16LE, or 8-bit text in a REGEDIT4 file.
    std::u16string characters(const std::string& bytes) {
        if (!wide_) {
            std::u16string units;
            for (char c : bytes)
                units += static_cast<char16_t>(static_cast<unsigned char>(c));
            return units;
        }
        if (bytes.size() % 2 != 0)
            fail("a string in hex form needs an even number of bytes");
        return littleEndianUnits(bytes);
    }

    std::string toText(std::u16string_view units) {
        std::string text;
        if (wide_) {
            if (!utf16ToUtf8(units, text))
                fail("the string is not valid UTF-16");
            return text;
        }
        for (char16_t c : units)
            text += static_cast<char>(c);
        if (!isValidUtf8(text))
            fail("the string is not valid UTF-8");
        return text;
    }

    // One terminating NUL is dropped; a NUL anywhere else would be lost on the next write.
    std::string readString(const std::string& bytes) {
        std::u16string units = characters(bytes);
        if (!units.empty() && units.back() == 0)
            units.pop_back();
        if (units.find(u'\0') != std::u16string::npos)
            fail("a string value may not hold a NUL character");
        return toText(units);
    }

    // Strings each ended by NUL, then one more NUL; a missing final NUL is forgiven.
    std::vector<std::string> readStrings(const std::string& bytes) {
        std::u16string units = characters(bytes);
        if (units.size() >= 2 && units[units.size() - 1] == 0 && units[units.size() - 2] == 0)
            units.resize(units.size() - 2);
        else if (!units.empty() && units.back() == 0)
            units.pop_back();
        std::vector<std::string> strings;
        if (units.empty())
            return strings;
        std::size_t start = 0;
        for (;;) {
            const std::size_t nul = units.find(u'\0', start);
            strings.push_back(toText(std::u16string_view(units).substr(
                start, nul == std::u16string::npos ? std::u16string::npos : nul - start)));
            if (nul == std::u16string::npos)
                return strings;
            start = nul + 1;
        }
    }

    std::string_view text_;
    std::string decoded_;
    const std::string& fileName_;
    ParseMode mode_;
    bool wide_ = true;
    std::size_t at_ = 0;
    int lineNumber_ = 0;
    std::vector<Section> sections_;
};

// Appends the bytes as "xx,xx,..." to a line being built in `out` (which holds only that line),
// wrapping before the column limit as regedit does.
void appendHex(std::string& out, std::string_view kind, const std::string& bytes) {
    out += kind;
    std::size_t column = out.size();
    char item[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        std::snprintf(item, sizeof item, last ? "%02x" : "%02x,",
                      static_cast<unsigned>(static_cast<unsigned char>(bytes[i])));
        out += item;
        column += last ? 2 : 3;
        if (!last && column >= kWrapColumn) {
            out += "\\\n  ";
            column = 2;
        }
    }
    out += '\n';
}

std::string littleEndianBytes(std::uint64_t v, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i, v >>= 8)
        bytes += static_cast<char>(v & 0xFF);
    return bytes;
}

// UTF-16LE bytes with the terminating NUL, as the registry stores strings.
std::string utf16Bytes(std::string_view text) {
    std::string bytes;
    bytes.reserve((text.size() + 1) * 2);
    appendUtf16(bytes, text);
    bytes.append(2, '\0');
    return bytes;
}

} // namespace

std::vector<Section> parseRegText(std::string_view text, const std::string& fileName,
                                  ParseMode mode) {
    return Parser(text, fileName, mode).run();
}

std::string formatValueLine(std::string_view name, const Value& value) {
    std::string out = name.empty() ? std::string("@") : quote(name);
    out += '=';
    switch (value.type) {
    case ValueType::Dword: {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(value.dword));
        return out + digits + "\n";
    }
    case ValueType::String:
        // Line breaks cannot stand in a quoted text, so such strings take the hex form.
        if (needsHexForm(value.text))
            appendHex(out, "hex(1):", utf16Bytes(value.text));
        else
            out += quote(value.text) + "\n";
        return out;
    case ValueType::ExpandString:
        appendHex(out, "hex(2):", utf16Bytes(value.text));
        return out;
    case ValueType::MultiString: {
        std::string bytes;
        for (const std::string& text : value.strings)
            bytes += utf16Bytes(text);
        bytes.append(2, '\0');
        appendHex(out, "hex(7):", bytes);
        return out;
    }
    case ValueType::Qword:
        appendHex(out, "hex(b):", littleEndianBytes(value.qword, 8));
        return out;
    case ValueType::Binary:
        appendHex(out, "hex:", value.bytes);
        return out;
    default: {
        char kind[24];
        std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(value.type));
        appendHex(out, kind, value.bytes);
        return out;
    }
    }
}

std::vector<std::string_view> keyParts(std::string_view key) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at <= key.size()) {
        const std::size_t end = std::min(key.find('\\', at), key.size());
        if (end > at)
            parts.push_back(key.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

std::string normalizeKey(std::string_view key) {
    std::string out;
    for (std::string_view part : keyParts(key)) {
        if (!out.empty())
            out += '\\';
        out += part;
    }
    return out;
}

} // namespace reg::detail
