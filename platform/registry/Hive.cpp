#include "Hive.h"

#include "RegFile.h"

#include <vector>

namespace reg::detail {

namespace {

void checkName(std::string_view name, const char* what) {
    if (name.find_first_of("\r\n") != std::string_view::npos)
        throw RegistryError(std::string("A registry ") + what + " name may not hold a line break");
    if (name.find('\0') != std::string_view::npos)
        throw RegistryError(std::string("A registry ") + what +
                            " name may not hold a NUL character");
    if (!isValidUtf8(name))
        throw RegistryError(std::string("A registry ") + what + " name must be valid UTF-8");
}

void checkText(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        throw RegistryError("A registry string may not hold a NUL character");
    if (!isValidUtf8(text))
        throw RegistryError("A registry string must be valid UTF-8");
}

void checkData(const Value& value) {
    if (value.isString())
        checkText(value.text);
    if (value.type == ValueType::MultiString)
        for (const std::string& text : value.strings)
            checkText(text);
}

} // namespace

const Hive::Entry* Hive::Key::findValue(std::string_view valueName) const {
    return values.find(valueName);
}

void Hive::Key::setValue(std::string_view valueName, const Value& value) {
    checkData(value);
    if (Entry* existing = values.find(valueName)) {
        existing->value = value;
        return;
    }
    checkName(valueName, "value");
    values.append({std::string(valueName), value});
}

bool Hive::Key::removeValue(std::string_view valueName) {
    return values.erase(valueName);
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
    appendSections(out, top_, rootName(root_), Sections::Needed);
    return out;
}

std::string Hive::exportText(const Key& key, const std::string& displayName) {
    std::string out(kHeader);
    out += "\n\n";
    appendSections(out, key, displayName, Sections::Every);
    return out;
}

// Depth first in creation order, with one path buffer and a stack of its own, so neither the
// call stack nor memory grows with the depth beyond one frame per level.
void Hive::appendSections(std::string& out, const Key& top, std::string path, Sections which) {
    const auto write = [&](const Key& key, bool isTop) {
        const bool needed = !key.values.empty() || (key.subkeys.empty() && !isTop);
        if (which == Sections::Needed && !needed)
            return;
        out += '[';
        out += path;
        out += "]\n";
        for (const Entry& entry : key.values)
            out += formatValueLine(entry.name, entry.value);
        out += '\n';
    };
    struct Frame {
        const Key* key;
        std::size_t next;
        std::size_t pathLength;
    };
    write(top, true);
    std::vector<Frame> stack{{&top, 0, path.size()}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.key->subkeys.size()) {
            stack.pop_back();
            continue;
        }
        const Key& sub = frame.key->subkeys[frame.next++];
        path.resize(frame.pathLength);
        path += '\\';
        path += sub.name;
        write(sub, false);
        stack.push_back({&sub, 0, path.size()});
    }
}

const Hive::Key* Hive::find(std::string_view keyPath) const {
    const Key* key = &top_;
    for (std::string_view part : keyParts(keyPath)) {
        key = key->subkeys.find(part);
        if (!key)
            return nullptr;
    }
    return key;
}

Hive::Key& Hive::ensure(std::string_view keyPath) {
    const std::vector<std::string_view> parts = keyParts(keyPath);
    if (parts.size() > kMaxKeyDepth)
        throw RegistryError("A registry key may be nested at most " + std::to_string(kMaxKeyDepth) +
                            " levels deep");
    Key* key = &top_;
    for (std::string_view part : parts) {
        Key* sub = key->subkeys.find(part);
        if (!sub) {
            checkName(part, "key");
            sub = &key->subkeys.append({std::string(part), {}, {}});
        }
        key = sub;
    }
    return *key;
}

bool Hive::remove(std::string_view keyPath) {
    const std::vector<std::string_view> parts = keyParts(keyPath);
    if (parts.empty())
        return false;
    Key* parent = &top_;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        parent = parent->subkeys.find(parts[i]);
        if (!parent)
            return false;
    }
    return parent->subkeys.erase(parts.back());
}

} // namespace reg::detail
