#include "Config.h"

#include "Errors.h"
#include "LocalFile.h"
#include "Names.h"

#include <registry/Registry.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vss::server {

namespace fs = std::filesystem;

namespace {

const char* const kSourceSafeKey = "Software\\Microsoft\\SourceSafe";
const char* const kDatabasesKey = "Software\\Microsoft\\SourceSafe\\Databases";

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// Only a regular file, and only a small one: a FIFO would block and a device never end.
std::string readIniText(const fs::path& ini) {
    const LocalFile::Kind kind = LocalFile::kind(ini);
    if (kind == LocalFile::Kind::Missing)
        throw VssError("No SourceSafe database here: " + quote(ini.string()) + " does not exist.");
    if (kind == LocalFile::Kind::Folder)
        throw VssError("Cannot read " + quote(ini.string()) + ": it is a folder.");
    const int fd = ::open(ini.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw VssError("Cannot read the database file " + quote(ini.string()) + ": " +
                       std::strerror(errno) + ".");
    std::string text;
    try {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
            throw VssError("Cannot read the database file " + quote(ini.string()) +
                           ": it is not a regular file.");
        if (st.st_size > static_cast<off_t>(Config::kMaxIniSize))
            throw VssError("The database file " + quote(ini.string()) + " is too large (" +
                           std::to_string(st.st_size) + " bytes; an ini file has at most " +
                           std::to_string(Config::kMaxIniSize) + ").");
        text.resize(Config::kMaxIniSize + 1);
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw VssError("Cannot read the database file " + quote(ini.string()) + ": " +
                               std::strerror(errno) + ".");
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        if (got > Config::kMaxIniSize)
            throw VssError("The database file " + quote(ini.string()) + " is too large.");
        text.resize(got);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return text;
}

} // namespace

std::map<std::string, std::string> Config::parseIni(std::string_view text) {
    std::map<std::string, std::string> values;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string line = trim(std::string(text.substr(start, end - start)));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[')
            continue;
        const auto eq = line.find('=');
        const std::string key = eq == std::string::npos ? std::string() : trim(line.substr(0, eq));
        if (key.empty())
            continue;
        values[Names::fold(key)] = trim(line.substr(eq + 1));
    }
    return values;
}

DatabaseLocation Config::locate(const std::string& iniPath) {
    if (iniPath.empty())
        return locateFolder(defaultDatabaseFolder());
    const fs::path path = LocalFile::normalize(iniPath);
    if (LocalFile::kind(path) == LocalFile::Kind::Folder)
        return locateFolder(path);
    const auto values = parseIni(readIniText(path));
    const auto store = values.find("store");
    if (store == values.end() || store->second.empty())
        throw VssError("The database file " + quote(path.string()) +
                       " does not name a store (\"Store = ...\").");
    std::string storeName = store->second;
    for (char& c : storeName)
        if (c == '\\')
            c = '/';
    DatabaseLocation location;
    location.ini = path;
    location.folder = path.parent_path();
    location.store = fs::path(storeName).is_absolute()
                         ? fs::path(storeName)
                         : (location.folder / storeName).lexically_normal();
    const auto name = values.find("name");
    location.name = name != values.end() && !name->second.empty()
                        ? name->second
                        : location.folder.filename().string();
    return location;
}

DatabaseLocation Config::locateFolder(const fs::path& folder) {
    fs::path f = LocalFile::normalize(folder.string());
    // A registered value or $SSDIR may name the ini file itself.
    if (LocalFile::kind(f) == LocalFile::Kind::Plain)
        return locate(f.string());
    return locate((f / kIniName).string());
}

fs::path Config::defaultDatabaseFolder() {
    if (const char* dir = std::getenv("SSDIR"); dir && *dir)
        return LocalFile::normalize(dir);
    try {
        if (auto current =
                reg::readValue(reg::Root::LocalMachine, kSourceSafeKey, "APICurrentDatabase");
            current && !current->text.empty())
            return LocalFile::normalize(current->text);
        for (const std::string& name : reg::valueNames(reg::Root::LocalMachine, kDatabasesKey)) {
            auto value = reg::readValue(reg::Root::LocalMachine, kDatabasesKey, name);
            if (value && !value->text.empty())
                return LocalFile::normalize(value->text);
        }
    } catch (const reg::RegistryError& e) {
        throw VssError(std::string("Cannot read the registered SourceSafe databases: ") + e.what());
    }
    throw VssError("No SourceSafe database given: SSDIR is not set and no database is "
                   "registered.");
}

void Config::writeIni(const fs::path& ini, const std::map<std::string, std::string>& values) {
    std::ostringstream text;
    text << "; SourceSafe database\n";
    for (const auto& [key, value] : values)
        text << key << " = " << value << "\n";
    const std::string content = text.str();
    LocalFile::writeAtomically(
        ini, [&](const LocalFile::Sink& sink) { sink(content.data(), content.size()); },
        {.readOnly = false, .modificationTime = std::nullopt, .durable = true});
}

} // namespace vss::server
