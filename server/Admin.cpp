// The administration API of vss/VssAdmin.h, over the same store classes as the automation
// calls.
#include <vss/VssAdmin.h>

#include "Config.h"
#include "Names.h"
#include "Schema.h"
#include "Session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vss::admin {

namespace fs = std::filesystem;
using namespace vss::server;

namespace {

template <class F> auto guarded(F&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const AdminError&) {
        throw;
    } catch (const std::exception& e) {
        throw AdminError(e.what());
    }
}

void collectCheckouts(Session& s, const ItemRef& project, std::vector<CheckoutInfo>& out) {
    for (const ItemRef& child : s.items.children(project, false)) {
        if (child.isProject()) {
            collectCheckouts(s, child, out);
        } else if (auto co = s.workspace.checkout(child.id)) {
            out.push_back({child.spec, co->user, co->localPath, co->version, co->date});
        }
    }
}

// The spec of a project, walking up its links; "?" for a link that leads nowhere.
std::string projectSpec(Session& s, std::int64_t id) {
    std::vector<std::string> names;
    for (std::int64_t at = id; at != Schema::kRootId;) {
        const auto up = s.items.projectLink(at);
        if (!up || names.size() > 10000)
            return "?";
        names.push_back(up->second);
        at = up->first;
    }
    std::string spec = "$";
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        spec += "/" + *it;
    return names.empty() ? "$/" : spec;
}

// Names that could not have entered through the server, and would lead a get astray.
void checkNames(Session& s, VerifyReport& report) {
    auto q = s.store.prepare("SELECT parent_id, name FROM links ORDER BY parent_id, position");
    while (q.step()) {
        const std::string name = q.text(1);
        const std::string why = Names::problem(name);
        if (!why.empty())
            report.problems.push_back("The project " + quote(projectSpec(s, q.integer(0))) +
                                      " holds an item named " + quote(name) +
                                      ", which is not allowed: " + why + ".");
    }
}

// Who a new database's folders and files are open to: its creator, or one group as well.
struct Sharing {
    mode_t folderMode = 0700;
    mode_t fileMode = 0600;
    std::optional<gid_t> group;
};

Sharing sharingWith(const std::string& group) {
    if (group.empty())
        return {};
    std::vector<char> buffer(1 << 16);
    struct group entry {};
    struct group* found = nullptr;
    ::getgrnam_r(group.c_str(), &entry, buffer.data(), buffer.size(), &found);
    if (found == nullptr && !group.empty() &&
        group.find_first_not_of("0123456789") == std::string::npos && group.size() < 10)
        ::getgrgid_r(static_cast<gid_t>(std::stoul(group)), &entry, buffer.data(), buffer.size(),
                     &found);
    if (found == nullptr)
        throw AdminError("There is no group " + quote(group) + " to share the database with.");
    // The set-group-ID bit makes files created later in the folders belong to the group too.
    return {02770, 0660, found->gr_gid};
}

void share(const fs::path& path, mode_t mode, const Sharing& sharing) {
    // chown first: it may clear the set-group-ID bit that chmod sets.
    if (sharing.group && ::chown(path.c_str(), static_cast<uid_t>(-1), *sharing.group) != 0)
        throw AdminError("Cannot give " + quote(path.string()) +
                         " to the group: " + std::strerror(errno));
    if (::chmod(path.c_str(), mode) != 0)
        throw AdminError("Cannot set the permissions of " + quote(path.string()) + ": " +
                         std::strerror(errno));
}

} // namespace

void createDatabase(const fs::path& folder, const std::string& adminUser,
                    const std::string& group) {
    guarded([&] {
        if (adminUser.empty())
            throw AdminError("The administrator needs a name.");
        const Sharing sharing = sharingWith(group);
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            throw AdminError("Cannot create the folder " + quote(folder.string()) + ": " +
                             ec.message());
        const fs::path ini = folder / Config::kIniName;
        const fs::path store = folder / Config::kDefaultStore;
        if (fs::exists(ini) || fs::exists(store))
            throw AdminError("The folder " + quote(folder.string()) +
                             " already holds a SourceSafe database.");
        share(folder, sharing.folderMode, sharing);
        fs::create_directories(store.parent_path(), ec);
        if (ec)
            throw AdminError("Cannot create the folder " + quote(store.parent_path().string()) +
                             ": " + ec.message());
        share(store.parent_path(), sharing.folderMode, sharing);
        // The store file exists with its mode before SQLite opens it; its log files copy it.
        const int fd =
            ::open(store.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            throw AdminError("Cannot create the store " + quote(store.string()) + ": " +
                             std::strerror(errno));
        ::close(fd);
        share(store, sharing.fileMode, sharing);
        {
            Store created(store, true);
            created.write([&] { Schema::create(created, adminUser); });
        }
        // The ini file comes last, so that it never names a store that is not there.
        Config::writeIni(ini,
                         {{"Name", fs::absolute(folder).lexically_normal().filename().string()},
                          {"Store", Config::kDefaultStore}});
        share(ini, sharing.fileMode, sharing);
    });
}

fs::path defaultDatabaseFolder() {
    return guarded([] { return Config::defaultDatabaseFolder(); });
}

Login login(const fs::path& folder, const std::string& user, const std::string& password) {
    return guarded([&] {
        const auto s = Session::open(Config::locateFolder(folder).ini.string(), user, password);
        return Login{s->user().name, s->users.isAdministrator(s->user())};
    });
}

bool hasPassword(const fs::path& folder, const std::string& user) {
    return guarded([&] {
        const auto found =
            Session::openFolder(folder)->users.find(user.empty() ? Session::defaultUser() : user);
        return found && !found->passwordHash.empty();
    });
}

void addUser(const fs::path& folder, const std::string& user, const std::string& password) {
    guarded([&] { Session::openFolder(folder)->users.add(user, password); });
}

void setPassword(const fs::path& folder, const std::string& user, const std::string& password) {
    guarded([&] { Session::openFolder(folder)->users.setPassword(user, password); });
}

std::vector<std::string> users(const fs::path& folder) {
    return guarded([&] { return Session::openFolder(folder)->users.names(); });
}

std::vector<CheckoutInfo> checkouts(const fs::path& folder, const std::string& projectSpec) {
    return guarded([&] {
        auto s = Session::openFolder(folder);
        std::vector<CheckoutInfo> result;
        s->store.read([&] {
            result.clear();
            const ItemRef project = s->items.require(projectSpec, false);
            if (!project.isProject())
                throw AdminError(quote(projectSpec) + " is a file, not a project.");
            collectCheckouts(*s, project, result);
        });
        std::sort(result.begin(), result.end(),
                  [](const CheckoutInfo& a, const CheckoutInfo& b) { return a.spec < b.spec; });
        return result;
    });
}

std::int32_t label(const fs::path& folder, const std::string& spec, const std::string& label,
                   const std::string& user, const std::string& comment) {
    return guarded([&] {
        if (label.empty())
            throw AdminError("A label must not be empty.");
        auto s = Session::openFolder(folder);
        const ItemRef item = s->items.require(spec, false);
        std::int32_t number = 0;
        s->store.write([&] {
            number = s->items.addVersion(item.id, {user, "Labeled", comment, 0, 0}, label);
        });
        return number;
    });
}

void writeVersion(const fs::path& folder, const std::string& fileSpec, std::int32_t version,
                  std::ostream& out) {
    guarded([&] {
        auto s = Session::openFolder(folder);
        const ItemRef file = s->items.require(fileSpec, true);
        if (file.isProject())
            throw AdminError(quote(fileSpec) + " is a project; only files have contents.");
        VersionRow row;
        if (version == 0) {
            row = s->items.latestContent(file.id);
        } else {
            // A label's version holds the content of the version before it.
            auto found = version <= s->items.latestVersion(file.id)
                             ? s->items.contentAt(file.id, version)
                             : std::nullopt;
            if (!found)
                throw AdminError(quote(fileSpec) + " has no version " + std::to_string(version) +
                                 ".");
            row = *found;
        }
        s->contents.readVersion(row.contentId, file.spec, row.number,
                                [&](const char* data, std::size_t size) {
                                    out.write(data, static_cast<std::streamsize>(size));
                                });
        if (!out)
            throw AdminError("Cannot write the content of " + quote(fileSpec) + ".");
    });
}

VerifyReport verify(const fs::path& folder) {
    return guarded([&] {
        VerifyReport report;
        const DatabaseLocation location = Config::locateFolder(folder);
        Session s(location);
        auto problemsOf = [&](const char* pragma) {
            try {
                auto q = s.store.prepare(pragma);
                while (q.step()) {
                    const std::string line = q.text(0);
                    if (line != "ok")
                        report.problems.push_back(line);
                }
            } catch (const VssError& e) {
                report.problems.push_back(e.what());
            }
        };
        problemsOf("PRAGMA integrity_check");
        problemsOf("PRAGMA foreign_key_check");
        if (!report.problems.empty())
            return report;
        Schema::open(s.store);
        checkNames(s, report);
        std::vector<std::int64_t> ids;
        {
            auto q = s.store.prepare("SELECT id FROM contents ORDER BY id");
            while (q.step())
                ids.push_back(q.integer(0));
        }
        for (std::int64_t id : ids) {
            ++report.contentsChecked;
            if (!s.contents.verify(id))
                report.problems.push_back("Content " + std::to_string(id) + " (" +
                                          ContentStore::hex(s.contents.info(id).hash) +
                                          ") does not match its hash.");
        }
        return report;
    });
}

} // namespace vss::admin
