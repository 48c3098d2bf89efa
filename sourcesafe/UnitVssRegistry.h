// The settings store: the add-in's nine options under the host's version-control key, and
// SourceSafe's own machine-wide entries, read only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace reg {
class RegistryAccessor;
}

// The settings record, copied by value; every holder owns its copy. All zero is the default.
struct TVSSProperties {
    std::int32_t GetOnOpen = 0;
    std::int32_t CheckOnClose = 0;
    std::int32_t Unchanged = 0;
    std::int32_t Recursive = 0;
    std::int32_t ReadOnly = 0;
    std::int32_t Compare = 0;
    std::int32_t Replace = 0;
    std::int32_t Date = 0;
    std::string Viewer;

    friend bool operator==(const TVSSProperties&, const TVSSProperties&) = default;
};

inline constexpr const char kVersionControlKey[] =
    "Software\\Borland\\Delphi\\3.0\\Version Control";
inline constexpr const char kSourceSafeKey[] = "Software\\Microsoft\\SourceSafe";
inline constexpr const char kDatabasesKey[] = "Software\\Microsoft\\SourceSafe\\Databases";

// Lives only inside the call that makes it; holds no cached state.
class TVssRegistry {
public:
    TVssRegistry();
    ~TVssRegistry();
    TVssRegistry(const TVssRegistry&) = delete;
    TVssRegistry& operator=(const TVssRegistry&) = delete;

    std::string ReadUserName();
    std::string ReadSccServerPath();
    void ReadDatabaseNames(std::vector<std::string>& names);
    std::string ReadDatabasePath(const std::string& databaseName);
    void ReadProperties(TVSSProperties& properties);
    void WriteProperties(TVSSProperties properties);

    // Why a registry hive read as missing for this store; empty when every read succeeded.
    std::string ReadFailure() const;

private:
    std::unique_ptr<reg::RegistryAccessor> Registry;
};
