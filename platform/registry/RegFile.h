// The .reg text format: parsing into sections and formatting of values, shared by the hive files
// and the import and export files.
#pragma once

#include "Registry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace reg::detail {

inline constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
// The older header, whose files hold strings as 8-bit text (read as UTF-8) instead of UTF-16.
inline constexpr std::string_view kHeader4 = "REGEDIT4";

struct ValueLine {
    std::string name;           // empty for the default value "@"
    std::optional<Value> value; // none: delete the value ("Name"=-)
};

struct Section {
    Root root = Root::CurrentUser; // as written; ClassesRoot is not yet resolved
    std::string key;               // normalised, "" for the root itself
    bool remove = false;           // [-KEY]
    std::vector<ValueLine> values; // none for a deleted key: its values are ignored
};

enum class ParseMode {
    Hive,  // a stored hive: no deletions
    Import // an import file: [-KEY] and "Name"=- are allowed
};

// The text is UTF-8 (a byte-order mark is skipped) or UTF-16LE with its byte-order mark.
// Raises RegistryError "<fileName>, line N: <reason>" for text that does not parse.
std::vector<Section> parseRegText(std::string_view text, const std::string& fileName,
                                  ParseMode mode);

// `"Name"=data` (or `@=data`) with a line break at the end; long hex data is wrapped.
std::string formatValueLine(std::string_view name, const Value& value);

// Key paths: the non-empty parts between "\" joined with single "\".
std::vector<std::string_view> keyParts(std::string_view key);
std::string normalizeKey(std::string_view key);

} // namespace reg::detail
