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

struct ValueLine {
    std::string name;           // empty for the default value "@"
    std::optional<Value> value; // none: delete the value ("Name"=-)
};

struct Section {
    Root root = Root::CurrentUser; // as written; ClassesRoot is not yet resolved
    std::string key;               // normalised, "" for the root itself
    bool remove = false;           // [-KEY]
    std::vector<ValueLine> values;
};

enum class ParseMode {
    Hive,  // a stored hive: no deletions
    Import // an import file: [-KEY] and "Name"=- are allowed
};

// Raises RegistryError "<fileName>, line N: <reason>" for text that does not parse.
std::vector<Section> parseRegText(std::string_view text, const std::string& fileName,
                                  ParseMode mode);

// `"Name"=data` (or `@=data`) with a line break at the end; long hex data is wrapped.
std::string formatValueLine(std::string_view name, const Value& value);

// Key paths: the non-empty parts between "\" joined with single "\".
std::vector<std::string_view> keyParts(std::string_view key);
std::string normalizeKey(std::string_view key);

} // namespace reg::detail
