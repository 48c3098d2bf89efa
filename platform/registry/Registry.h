// The registry stand-in: one hive file per root, in the text format that regedit exports.
// Every operation reads the hive as last written; every change takes the hive's lock file,
// re-reads, applies the change and replaces the file atomically.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace reg {

// HKEY_CLASSES_ROOT is a view of HKEY_LOCAL_MACHINE\Software\Classes.
enum class Root { CurrentUser, LocalMachine, ClassesRoot, Users };

// The registry's type numbers. A value of any other number keeps its data as raw bytes.
enum class ValueType : std::uint32_t {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    Dword = 4,
    MultiString = 7,
    Qword = 11
};

// Keys nest at most this deep below their root, as on the platform the registry stands in for.
inline constexpr std::size_t kMaxKeyDepth = 512;

struct Value {
    ValueType type = ValueType::String;
    std::uint32_t dword = 0;
    std::string text; // UTF-8 without NUL; for String and ExpandString
    std::uint64_t qword = 0;
    std::vector<std::string> strings; // MultiString, each UTF-8 without NUL
    std::string bytes;                // the data of every other type

    static Value fromDword(std::uint32_t v) {
        Value value;
        value.type = ValueType::Dword;
        value.dword = v;
        return value;
    }
    static Value fromString(std::string s, ValueType t = ValueType::String) {
        Value value;
        value.type = t;
        value.text = std::move(s);
        return value;
    }
    static Value fromQword(std::uint64_t v) {
        Value value;
        value.type = ValueType::Qword;
        value.qword = v;
        return value;
    }
    static Value fromMultiString(std::vector<std::string> list) {
        Value value;
        value.type = ValueType::MultiString;
        value.strings = std::move(list);
        return value;
    }
    static Value fromBytes(std::string data, ValueType t = ValueType::Binary) {
        Value value;
        value.type = t;
        value.bytes = std::move(data);
        return value;
    }
    bool isString() const { return type == ValueType::String || type == ValueType::ExpandString; }
    friend bool operator==(const Value&, const Value&) = default;
};

// Raised for a hive that does not parse (names file and line), a refused write (names the file),
// and reads of the wrong type through RegistryAccessor.
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The environment variable that names the hive folder.
inline constexpr const char kFolderVariable[] = "QUILLMOOR_REGISTRY";

// $QUILLMOOR_REGISTRY, else $XDG_CONFIG_HOME/quillmoor/registry (~/.config/... when unset).
std::filesystem::path hiveFolder();
std::filesystem::path hiveFile(Root root);

std::string rootName(Root root); // "HKEY_CURRENT_USER", ...
// Accepts full names and the short forms HKCU, HKLM, HKCR, HKU, in any case.
std::optional<Root> parseRoot(std::string_view name);

// Key paths use "\" between parts; names compare without regard to case and keep their case.
// The default value of a key has the empty name. Names and string data must be UTF-8 without
// NUL characters, and keys nest at most kMaxKeyDepth deep; anything else raises RegistryError.
bool keyExists(Root root, std::string_view key);
void createKey(Root root, std::string_view key);
std::optional<Value> readValue(Root root, std::string_view key, std::string_view name);
std::vector<std::string> valueNames(Root root, std::string_view key); // stored order
std::vector<std::string> subkeyNames(Root root, std::string_view key);
void writeValue(Root root, std::string_view key, std::string_view name, const Value& value);
bool deleteValue(Root root, std::string_view key, std::string_view name);
bool deleteKey(Root root, std::string_view key); // with all its subkeys

// .reg files: "Windows Registry Editor Version 5.00" (UTF-8, or UTF-16LE with a byte-order mark)
// or "REGEDIT4" text with [HKEY_...\Key] sections.
void importFile(const std::filesystem::path& file);
void exportKey(Root root, std::string_view key, const std::filesystem::path& file);

// A registry accessor with one root and at most one open key, in the manner the settings store
// expects. Destroying it closes the open key.
class RegistryAccessor {
public:
    explicit RegistryAccessor(Root root = Root::CurrentUser);
    ~RegistryAccessor();
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    Root rootKey() const { return root_; }
    void setRootKey(Root root); // closes the open key
    // False when the key is missing and canCreate is false. Reads take a hive that cannot be
    // read for one without the key (see readError); creating the key is a write, which raises
    // RegistryError naming the file when refused.
    bool openKey(std::string_view key, bool canCreate);
    void closeKey();
    bool hasOpenKey() const { return open_.has_value(); }

    bool valueExists(std::string_view name) const;
    std::optional<Value> readValue(std::string_view name) const;
    // Raises RegistryError when the value is missing or not a DWORD.
    std::int32_t readInteger(std::string_view name) const;
    // Empty when missing; plain and expandable strings as stored; raises for any other type.
    std::string readString(std::string_view name) const;
    std::vector<std::string> getValueNames() const;
    void writeInteger(std::string_view name, std::int32_t value);
    void writeString(std::string_view name, std::string_view value);

    // The first error of a hive that could not be read and so read as missing; empty when none.
    const std::string& readError() const { return readError_; }

private:
    const std::string& openKeyPath() const; // raises when no key is open

    Root root_;
    std::optional<std::string> open_;
    mutable std::string readError_;
};

} // namespace reg
