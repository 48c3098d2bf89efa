// The contents of one hive file: a tree of keys with ordered values.
#pragma once

#include "NamedList.h"
#include "Registry.h"

#include <string>
#include <string_view>

namespace reg::detail {

class Hive {
public:
    struct Entry {
        std::string name;
        Value value;
    };
    struct Key {
        std::string name;
        NamedList<Entry> values; // stored order; new values append
        NamedList<Key> subkeys;  // creation order

        const Entry* findValue(std::string_view valueName) const;
        // Replaces a value in place (keeping the name's first case) or appends it. Raises for a
        // name or data the hive file could not hold unchanged.
        void setValue(std::string_view valueName, const Value& value);
        bool removeValue(std::string_view valueName);
    };

    explicit Hive(Root root) : root_(root) {}

    // Raises RegistryError naming the file and line when the text does not parse.
    static Hive parse(Root root, std::string_view text, const std::string& fileName);
    // The hive file: a section for every key that holds values or has no subkeys (the keys
    // between are implied), so its size grows linearly with what it holds.
    std::string serialize() const;
    // A .reg file holding `key` and everything below it, a section for every key, named under
    // `displayName` (the root and key path as the user gave them).
    static std::string exportText(const Key& key, const std::string& displayName);

    Root root() const { return root_; }
    const Key* find(std::string_view keyPath) const;
    Key& ensure(std::string_view keyPath); // creates missing keys on the way
    bool remove(std::string_view keyPath); // with its subkeys; the root itself stays

private:
    enum class Sections { Needed, Every };
    static void appendSections(std::string& out, const Key& top, std::string path, Sections which);

    Root root_;
    Key top_;
};

} // namespace reg::detail
