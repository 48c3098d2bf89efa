#include "Hive.h"

#include "RegFile.h"

#include <QString>

namespace reg::detail {

namespace {

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

template <class Items, class Name>
auto findByName(Items& items, std::string_view name, Name nameOf) -> decltype(items.begin()) {
    for (auto it = items.begin(); it != items.end(); ++it)
        if (sameName(nameOf(*it), name))
            return it;
    return items.end();
}

std::string_view keyName(const Hive::Key& k) {
    return k.name;
}
std::string_view entryName(const Hive::Entry& e) {
    return e.name;
}

void refuseLineBreaks(std::string_view name, const char* what) {
    if (name.find_first_of("\r\n") != std::string_view::npos)
        throw RegistryError(std::string("A registry ") + what + " name may not hold a line break");
}

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (lowerAscii(a[i]) != lowerAscii(b[i]))
                return false;
        return true;
    }
    const QString qa = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
    const QString qb = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
    return qa.compare(qb, Qt::CaseInsensitive) == 0;
}

const Hive::Entry* Hive::Key::findValue(std::string_view valueName) const {
    const auto it = findByName(values, valueName, entryName);
    return it == values.end() ? nullptr : &*it;
}

void Hive::Key::setValue(std::string_view valueName, const Value& value) {
    const auto it = findByName(values, valueName, entryName);
    if (it != values.end()) {
        it->value = value;
        return;
    }
    refuseLineBreaks(valueName, "value");
    values.push_back({std::string(valueName), value});
}

bool Hive::Key::removeValue(std::string_view valueName) {
    const auto it = findByName(values, valueName, entryName);
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

Hive Hive::parse(Root root, std::string_view text, const std::string& fileName) {
    Hive hive(root);
    for (const Section& section : parseRegText(text, fileName, ParseMode::Hive)) {
        std::string key = section.key;
        Root sectionRoot = section.root;
        if (sectionRoot == Root::ClassesRoot) {
            sectionRoot = Root::LocalMachine;
            key = key.empty() ? "Software\\Classes" : "Software\\Classes\\" + key;
        }
        if (sectionRoot != root)
            throw RegistryError(fileName + ": the key " + rootName(section.root) + "\\" +
                                section.key + " does not belong in the hive of " + rootName(root));
        Key& target = hive.ensure(key);
        for (const ValueLine& line : section.values)
            target.setValue(line.name, *line.value);
    }
    return hive;
}

std::string Hive::serialize() const {
    std::string out(kHeader);
    out += "\n\n";
    appendSections(out, top_, rootName(root_), true);
    return out;
}

std::string Hive::exportText(const Key& key, const std::string& displayName) {
    std::string out(kHeader);
    out += "\n\n";
    appendSections(out, key, displayName, false);
    return out;
}

void Hive::appendSections(std::string& out, const Key& key, const std::string& fullName,
                          bool skipWhenEmpty) {
    if (!skipWhenEmpty || !key.values.empty()) {
        out += '[';
        out += fullName;
        out += "]\n";
        for (const Entry& entry : key.values)
            out += formatValueLine(entry.name, entry.value);
        out += '\n';
    }
    for (const Key& sub : key.subkeys)
        appendSections(out, sub, fullName + "\\" + sub.name, false);
}

const Hive::Key* Hive::find(std::string_view keyPath) const {
    const Key* key = &top_;
    for (std::string_view part : keyParts(keyPath)) {
        const auto it = findByName(key->subkeys, part, keyName);
        if (it == key->subkeys.end())
            return nullptr;
        key = &*it;
    }
    return key;
}

Hive::Key& Hive::ensure(std::string_view keyPath) {
    Key* key = &top_;
    for (std::string_view part : keyParts(keyPath)) {
        auto it = findByName(key->subkeys, part, keyName);
        if (it == key->subkeys.end()) {
            refuseLineBreaks(part, "key");
            key->subkeys.push_back({std::string(part), {}, {}});
            it = key->subkeys.end() - 1;
        }
        key = &*it;
    }
    return *key;
}

bool Hive::remove(std::string_view keyPath) {
    const std::vector<std::string_view> parts = keyParts(keyPath);
    if (parts.empty())
        return false;
    Key* parent = &top_;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const auto it = findByName(parent->subkeys, parts[i], keyName);
        if (it == parent->subkeys.end())
            return false;
        parent = &*it;
    }
    const auto it = findByName(parent->subkeys, parts.back(), keyName);
    if (it == parent->subkeys.end())
        return false;
    parent->subkeys.erase(it);
    return true;
}

} // namespace reg::detail
