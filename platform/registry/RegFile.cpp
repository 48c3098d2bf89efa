#include "RegFile.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>

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

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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

// UTF-16LE bytes with the terminating NUL, as the registry stores strings.
std::string utf16Bytes(std::string_view text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(s.size() + 1) * 2);
    for (QChar c : s) {
        bytes += static_cast<char>(c.unicode() & 0xFF);
        bytes += static_cast<char>(c.unicode() >> 8);
    }
    bytes.append(2, '\0');
    return bytes;
}

// Splits the lines of the text, reads sections and values, and reports where it fails.
class Parser {
public:
    Parser(std::string_view text, const std::string& fileName, ParseMode mode)
        : text_(text), fileName_(fileName), mode_(mode) {}

    std::vector<Section> run() {
        if (text_.starts_with("\xEF\xBB\xBF"))
            text_.remove_prefix(3);
        bool headerSeen = false;
        std::string_view line;
        while (nextLine(line)) {
            const std::string_view content = trimLeft(trimRight(line));
            if (!headerSeen) {
                if (content.empty())
                    continue;
                if (content != kHeader)
                    fail("expected \"" + std::string(kHeader) + "\"");
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
    bool nextLine(std::string_view& line) {
        if (at_ >= text_.size())
            return false;
        const std::size_t end = text_.find('\n', at_);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
        line = text_.substr(at_, stop - at_);
        at_ = stop == text_.size() ? stop : stop + 1;
        ++lineNumber_;
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
        sections_.push_back(std::move(section));
    }

    void readValue(std::string_view content) {
        if (sections_.empty())
            fail("a value must follow a key line");
        if (sections_.back().remove)
            fail("a deleted key cannot hold values");
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
        if (rest == "-") {
            if (mode_ != ParseMode::Import)
                fail("a hive may not hold value deletions");
        } else {
            value.value = readData(rest);
        }
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
            if (!trimLeft(data.substr(pos)).empty())
                fail("unexpected text after the closing quote");
            return Value::fromString(std::move(text));
        }
        if (startsWithNoCase(data, "dword:"))
            return Value::fromDword(readDword(data.substr(6)));
        if (startsWithNoCase(data, "hex(2):"))
            return Value::fromString(readUtf16(data.substr(7)), ValueType::ExpandString);
        if (startsWithNoCase(data, "hex(1):"))
            return Value::fromString(readUtf16(data.substr(7)), ValueType::String);
        if (startsWithNoCase(data, "hex"))
            fail("unsupported value type \"" + std::string(data.substr(0, data.find(':'))) +
                 "\" (only strings, expandable strings and DWORDs are kept)");
        fail("unrecognised value data \"" + std::string(data) + "\"");
    }

    std::uint32_t readDword(std::string_view digits) {
        if (digits.empty() || digits.size() > 8)
            fail("a DWORD needs 1 to 8 hexadecimal digits");
        std::uint32_t v = 0;
        for (char c : digits) {
            const int d = hexValue(c);
            if (d < 0)
                fail("\"" + std::string(digits) + "\" is not a hexadecimal DWORD");
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        return v;
    }

    // Hex bytes "41,00,42,00,00,00", continued over lines that end with "\".
    std::string readUtf16(std::string_view first) {
        std::string joined(first);
        while (!joined.empty() && joined.back() == '\\') {
            joined.pop_back();
            std::string_view next;
            if (!nextLine(next))
                fail("the hex data continues past the end of the file");
            joined += trimLeft(trimRight(next));
        }
        std::string bytes;
        std::string_view rest = joined;
        while (!(rest = trimLeft(rest)).empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = trimRight(rest.substr(0, comma));
            if (item.size() != 2 || hexValue(item[0]) < 0 || hexValue(item[1]) < 0)
                fail("\"" + std::string(item) + "\" is not a hexadecimal byte");
            bytes += static_cast<char>(hexValue(item[0]) * 16 + hexValue(item[1]));
            if (comma == std::string_view::npos)
                break;
            rest = rest.substr(comma + 1);
        }
        if (bytes.size() % 2 != 0)
            fail("a string in hex form needs an even number of bytes");
        QString text;
        for (std::size_t i = 0; i < bytes.size(); i += 2)
            text += QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
        const QByteArray utf8 = text.toUtf8();
        return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    }

    std::string_view text_;
    const std::string& fileName_;
    ParseMode mode_;
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
    case ValueType::ExpandString:
        appendHex(out, "hex(2):", utf16Bytes(value.text));
        return out;
    case ValueType::String:
        break;
    }
    // Line breaks cannot stand in a quoted text, so such strings take the hex form.
    if (needsHexForm(value.text)) {
        appendHex(out, "hex(1):", utf16Bytes(value.text));
        return out;
    }
    return out + quote(value.text) + "\n";
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
