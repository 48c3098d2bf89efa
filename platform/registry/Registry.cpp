#include "Registry.h"

#include "HiveStore.h"
#include "RegFile.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace reg {

namespace fs = std::filesystem;
using detail::Hive;

namespace {

// A key as stored: its physical root and its normalised path there.
struct Location {
    Root root;
    std::string key;
};

Location locate(Root root, std::string_view key) {
    std::string normalized = detail::normalizeKey(key);
    if (root != Root::ClassesRoot)
        return {root, std::move(normalized)};
    return {Root::LocalMachine, normalized.empty() ? std::string("Software\\Classes")
                                                   : "Software\\Classes\\" + normalized};
}

Root physicalRoot(Root root) {
    return root == Root::ClassesRoot ? Root::LocalMachine : root;
}

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return detail::sameName(a, b);
}

std::string readTextFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw RegistryError("Cannot read " + file.string() + ": the file cannot be opened");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw RegistryError("Cannot read " + file.string());
    return text.str();
}

void applySection(Hive& hive, const std::string& key, const detail::Section& section) {
    if (section.remove) {
        hive.remove(key);
        return;
    }
    Hive::Key& target = hive.ensure(key);
    for (const detail::ValueLine& line : section.values) {
        if (line.value)
            target.setValue(line.name, *line.value);
        else
            target.removeValue(line.name);
    }
}

} // namespace

fs::path hiveFolder() {
    const std::string folder = variable(kFolderVariable);
    if (!folder.empty())
        return folder;
    const std::string config = variable("XDG_CONFIG_HOME");
    if (!config.empty())
        return fs::path(config) / "quillmoor" / "registry";
    const std::string home = variable("HOME");
    if (home.empty())
        throw RegistryError(std::string("No registry folder: set ") + kFolderVariable +
                            ", XDG_CONFIG_HOME or HOME");
    return fs::path(home) / ".config" / "quillmoor" / "registry";
}

fs::path hiveFile(Root root) {
    return hiveFolder() / (rootName(physicalRoot(root)) + ".reg");
}

std::string rootName(Root root) {
    switch (root) {
    case Root::CurrentUser:
        return "HKEY_CURRENT_USER";
    case Root::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case Root::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case Root::Users:
        return "HKEY_USERS";
    }
    return {};
}

std::optional<Root> parseRoot(std::string_view name) {
    static const std::pair<std::string_view, Root> names[] = {
        {"HKEY_CURRENT_USER", Root::CurrentUser},
        {"HKCU", Root::CurrentUser},
        {"HKEY_LOCAL_MACHINE", Root::LocalMachine},
        {"HKLM", Root::LocalMachine},
        {"HKEY_CLASSES_ROOT", Root::ClassesRoot},
        {"HKCR", Root::ClassesRoot},
        {"HKEY_USERS", Root::Users},
        {"HKU", Root::Users}};
    for (const auto& [text, root] : names)
        if (equalsNoCase(name, text))
            return root;
    return std::nullopt;
}

bool keyExists(Root root, std::string_view key) {
    const Location at = locate(root, key);
    return detail::loadHive(at.root)->find(at.key) != nullptr;
}

void createKey(Root root, std::string_view key) {
    const Location at = locate(root, key);
    detail::modifyHive(at.root, [&](Hive& hive) {
        if (hive.find(at.key))
            return false;
        hive.ensure(at.key);
        return true;
    });
}

std::optional<Value> readValue(Root root, std::string_view key, std::string_view name) {
    const Location at = locate(root, key);
    const auto hive = detail::loadHive(at.root);
    const Hive::Key* found = hive->find(at.key);
    if (!found)
        return std::nullopt;
    const Hive::Entry* entry = found->findValue(name);
    if (!entry)
        return std::nullopt;
    return entry->value;
}

std::vector<std::string> valueNames(Root root, std::string_view key) {
    const Location at = locate(root, key);
    const auto hive = detail::loadHive(at.root);
    std::vector<std::string> names;
    if (const Hive::Key* found = hive->find(at.key))
        for (const Hive::Entry& entry : found->values)
            names.push_back(entry.name);
    return names;
}

std::vector<std::string> subkeyNames(Root root, std::string_view key) {
    const Location at = locate(root, key);
    const auto hive = detail::loadHive(at.root);
    std::vector<std::string> names;
    if (const Hive::Key* found = hive->find(at.key))
        for (const Hive::Key& sub : found->subkeys)
            names.push_back(sub.name);
    return names;
}

void writeValue(Root root, std::string_view key, std::string_view name, const Value& value) {
    const Location at = locate(root, key);
    detail::modifyHive(at.root, [&](Hive& hive) {
        Hive::Key& target = hive.ensure(at.key);
        const Hive::Entry* existing = target.findValue(name);
        if (existing && existing->value == value)
            return false;
        target.setValue(name, value);
        return true;
    });
}

bool deleteValue(Root root, std::string_view key, std::string_view name) {
    const Location at = locate(root, key);
    bool removed = false;
    detail::modifyHive(at.root, [&](Hive& hive) {
        const Hive::Key* found = hive.find(at.key);
        if (found && found->findValue(name))
            removed = hive.ensure(at.key).removeValue(name);
        return removed;
    });
    return removed;
}

bool deleteKey(Root root, std::string_view key) {
    const Location at = locate(root, key);
    if (detail::keyParts(at.key).empty())
        throw RegistryError("A root key cannot be deleted");
    bool removed = false;
    detail::modifyHive(at.root, [&](Hive& hive) { return removed = hive.remove(at.key); });
    return removed;
}

void importFile(const fs::path& file) {
    const std::vector<detail::Section> sections =
        detail::parseRegText(readTextFile(file), file.string(), detail::ParseMode::Import);
    // The whole file parses before anything changes; then each hive gets its sections in order.
    std::map<Root, std::vector<std::pair<std::string, const detail::Section*>>> byHive;
    for (const detail::Section& section : sections) {
        Location at = locate(section.root, section.key);
        byHive[at.root].emplace_back(std::move(at.key), &section);
    }
    for (const auto& [root, items] : byHive)
        detail::modifyHive(root, [&items = items](Hive& hive) {
            for (const auto& [key, section] : items)
                applySection(hive, key, *section);
            return true;
        });
}

void exportKey(Root root, std::string_view key, const fs::path& file) {
    const Location at = locate(root, key);
    const auto hive = detail::loadHive(at.root);
    const Hive::Key* found = hive->find(at.key);
    const std::string normalized = detail::normalizeKey(key);
    const std::string displayName =
        normalized.empty() ? rootName(root) : rootName(root) + "\\" + normalized;
    if (!found)
        throw RegistryError("The key " + displayName + " does not exist");
    detail::saveFile(file, Hive::exportText(*found, displayName), "the file");
}

} // namespace reg
