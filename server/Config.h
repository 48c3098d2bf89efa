// A database's location: the srcsafe.ini file (a few "Key = Value" lines) and the store it
// names, and how an empty ini path picks the default database.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace vss::server {

struct DatabaseLocation {
    std::filesystem::path folder;
    std::filesystem::path ini;
    std::filesystem::path store;
    std::string name;
};

class Config {
public:
    static constexpr const char* kIniName = "srcsafe.ini";
    static constexpr const char* kDefaultStore = "data/store.db";
    static constexpr std::size_t kMaxIniSize = 64 * 1024;

    // The "Key = Value" lines of an ini file's text; keys are folded to lower case, comments
    // (";", "#") and section lines ("[...]") are skipped.
    static std::map<std::string, std::string> parseIni(std::string_view text);

    // Reads the ini file named by a caller (a file or, leniently, its folder; "\" and "/" both
    // separate). An empty path means the default database. Raises for a missing or unreadable
    // ini file and for one that does not name a store.
    static DatabaseLocation locate(const std::string& iniPath);
    static DatabaseLocation locateFolder(const std::filesystem::path& folder);

    // $SSDIR, else HKLM "Software\Microsoft\SourceSafe" "APICurrentDatabase", else the first
    // value under its "Databases" key. Raises when none is set.
    static std::filesystem::path defaultDatabaseFolder();

    // Writes a new ini file atomically.
    static void writeIni(const std::filesystem::path& ini,
                         const std::map<std::string, std::string>& values);
};

} // namespace vss::server
