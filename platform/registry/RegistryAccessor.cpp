#include "Registry.h"

namespace reg {

namespace {

std::string describe(Root root, const std::string& key, std::string_view name) {
    return "\"" + std::string(name) + "\" in " + rootName(root) + "\\" + key;
}

// Runs a read of a hive. A hive that cannot be read (damaged, refused, not a file) answers as a
// missing key does, the way a registry that refuses access reads; the first such error is kept
// for the caller that reports it.
template <class Read> auto readOrMissing(std::string& error, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const RegistryError& e) {
        if (error.empty())
            error = e.what();
        return {};
    }
}

} // namespace

RegistryAccessor::RegistryAccessor(Root root) : root_(root) {}

RegistryAccessor::~RegistryAccessor() {
    closeKey();
}

void RegistryAccessor::setRootKey(Root root) {
    closeKey();
    root_ = root;
}

bool RegistryAccessor::openKey(std::string_view key, bool canCreate) {
    closeKey();
    if (!readOrMissing(readError_, [&] { return keyExists(root_, key); })) {
        if (!canCreate)
            return false;
        createKey(root_, key);
    }
    open_ = std::string(key);
    return true;
}

void RegistryAccessor::closeKey() {
    open_.reset();
}

const std::string& RegistryAccessor::openKeyPath() const {
    if (!open_)
        throw RegistryError("No registry key is open");
    return *open_;
}

bool RegistryAccessor::valueExists(std::string_view name) const {
    return readValue(name).has_value();
}

std::optional<Value> RegistryAccessor::readValue(std::string_view name) const {
    const std::string& key = openKeyPath();
    return readOrMissing(readError_, [&] { return reg::readValue(root_, key, name); });
}

std::int32_t RegistryAccessor::readInteger(std::string_view name) const {
    const std::optional<Value> value = readValue(name);
    if (!value)
        throw RegistryError("The registry value " + describe(root_, *open_, name) +
                            " does not exist");
    if (value->type != ValueType::Dword)
        throw RegistryError("The registry value " + describe(root_, *open_, name) +
                            " is not a DWORD");
    return static_cast<std::int32_t>(value->dword);
}

std::string RegistryAccessor::readString(std::string_view name) const {
    const std::optional<Value> value = readValue(name);
    if (!value)
        return {};
    if (!value->isString())
        throw RegistryError("The registry value " + describe(root_, *open_, name) +
                            " is not a string");
    return value->text;
}

std::vector<std::string> RegistryAccessor::getValueNames() const {
    const std::string& key = openKeyPath();
    return readOrMissing(readError_, [&] { return valueNames(root_, key); });
}

void RegistryAccessor::writeInteger(std::string_view name, std::int32_t value) {
    writeValue(root_, openKeyPath(), name, Value::fromDword(static_cast<std::uint32_t>(value)));
}

void RegistryAccessor::writeString(std::string_view name, std::string_view value) {
    writeValue(root_, openKeyPath(), name, Value::fromString(std::string(value)));
}

} // namespace reg
