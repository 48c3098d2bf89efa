#include "UnitVssRegistry.h"

#include <registry/Registry.h>
#include <system/System.h>

#include <array>

namespace {

using IntegerField = std::int32_t TVSSProperties::*;

struct IntegerSetting {
    const char* name;
    IntegerField field;
    bool truthValue; // stored as 0/1, any non-zero reads as true
};

// The integer settings in the record's order, which is also the order they are read and written.
constexpr std::array<IntegerSetting, 8> kIntegerSettings{{
    {"GetOnOpen", &TVSSProperties::GetOnOpen, true},
    {"CheckOnClose", &TVSSProperties::CheckOnClose, true},
    {"Unchanged", &TVSSProperties::Unchanged, false},
    {"Recursive", &TVSSProperties::Recursive, false},
    {"ReadOnly", &TVSSProperties::ReadOnly, false},
    {"Compare", &TVSSProperties::Compare, false},
    {"Replace", &TVSSProperties::Replace, false},
    {"Date", &TVSSProperties::Date, false},
}};

constexpr const char kViewerName[] = "Viewer";

bool isString(const reg::Value& value) {
    return value.type == reg::ValueType::String || value.type == reg::ValueType::ExpandString;
}

// Closes the accessor's key when the scope ends, also on an error.
class KeyCloser {
public:
    explicit KeyCloser(reg::RegistryAccessor& registry) : registry_(registry) {}
    ~KeyCloser() { registry_.closeKey(); }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

private:
    reg::RegistryAccessor& registry_;
};

void openOrRaise(reg::RegistryAccessor& registry, const char* key) {
    if (!registry.openKey(key, true))
        throw reg::RegistryError(std::string("Cannot open or create registry key ") +
                                 reg::rootName(registry.rootKey()) + "\\" + key);
}

} // namespace

TVssRegistry::TVssRegistry()
    : Registry(std::make_unique<reg::RegistryAccessor>(reg::Root::CurrentUser)) {}

TVssRegistry::~TVssRegistry() = default;

// The whole logon name: the login dialog proposes it as the SourceSafe user name, and a
// shortened name would be a different user. When the system cannot tell, the user types it.
std::string TVssRegistry::ReadUserName() {
    try {
        return sys::logonName();
    } catch (const sys::SystemError&) {
        return {};
    }
}

std::string TVssRegistry::ReadSccServerPath() {
    Registry->setRootKey(reg::Root::LocalMachine);
    if (!Registry->openKey(kSourceSafeKey, false))
        return {};
    KeyCloser closer(*Registry);
    return Registry->readString("SCCServerPath");
}

void TVssRegistry::ReadDatabaseNames(std::vector<std::string>& names) {
    Registry->setRootKey(reg::Root::LocalMachine);
    names.clear();
    if (!Registry->openKey(kDatabasesKey, false))
        return;
    KeyCloser closer(*Registry);
    names = Registry->getValueNames();
}

std::string TVssRegistry::ReadDatabasePath(const std::string& databaseName) {
    Registry->setRootKey(reg::Root::LocalMachine);
    if (!Registry->openKey(kDatabasesKey, false))
        return {};
    KeyCloser closer(*Registry);
    return Registry->readString(databaseName);
}

// A value that is missing or of another type takes its default, and only that value is written
// back: the user's other settings stay as stored. A missing key gets all nine defaults.
void TVssRegistry::ReadProperties(TVSSProperties& properties) {
    Registry->setRootKey(reg::Root::CurrentUser);
    properties = TVSSProperties{};
    if (!Registry->openKey(kVersionControlKey, false)) {
        WriteProperties(properties);
        return;
    }
    KeyCloser closer(*Registry);

    std::vector<const IntegerSetting*> repairs;
    for (const IntegerSetting& setting : kIntegerSettings) {
        const std::optional<reg::Value> value = Registry->readValue(setting.name);
        if (!value || value->type != reg::ValueType::Dword) {
            repairs.push_back(&setting);
            continue;
        }
        const auto stored = static_cast<std::int32_t>(value->dword);
        properties.*setting.field = setting.truthValue ? (stored != 0 ? 1 : 0) : stored;
    }
    const std::optional<reg::Value> viewer = Registry->readValue(kViewerName);
    const bool viewerIllTyped = viewer && !isString(*viewer);
    if (viewer && !viewerIllTyped)
        properties.Viewer = viewer->text;

    for (const IntegerSetting* setting : repairs)
        Registry->writeInteger(setting->name, properties.*setting->field);
    if (viewerIllTyped)
        Registry->writeString(kViewerName, properties.Viewer);
}

void TVssRegistry::WriteProperties(TVSSProperties properties) {
    Registry->setRootKey(reg::Root::CurrentUser);
    openOrRaise(*Registry, kVersionControlKey);
    KeyCloser closer(*Registry);
    for (const IntegerSetting& setting : kIntegerSettings) {
        const std::int32_t value = properties.*setting.field;
        Registry->writeInteger(setting.name, setting.truthValue ? (value != 0 ? 1 : 0) : value);
    }
    Registry->writeString(kViewerName, properties.Viewer);
}

std::string TVssRegistry::ReadFailure() const {
    return Registry->readError();
}
