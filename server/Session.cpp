#include "Session.h"

#include "Names.h"
#include "Schema.h"

#include <system/System.h>

#include <cstdlib>

namespace vss::server {

namespace {

const std::filesystem::path& requireStoreFile(const DatabaseLocation& location) {
    if (LocalFile::kind(location.store) != LocalFile::Kind::Plain)
        throw VssError("The database " + quote(location.ini.string()) +
                       " has no store: " + quote(location.store.string()) + " is missing.");
    return location.store;
}

} // namespace

std::string Session::defaultUser() {
    if (const char* user = std::getenv("SSUSER"); user && *user)
        return user;
    try {
        return sys::logonName();
    } catch (const std::exception& e) {
        throw VssError(std::string("No user name given and the logon name is unknown: ") +
                       e.what());
    }
}

Session::Session(const DatabaseLocation& location)
    : store(requireStoreFile(location), false), contents(store), items(store), users(store),
      workspace(store), localCopies(store), location_(location) {}

std::shared_ptr<Session> Session::open(const std::string& iniPath, const std::string& user,
                                       const std::string& password) {
    const DatabaseLocation location = Config::locate(iniPath);
    auto session = std::make_shared<Session>(location);
    session->checkIntegrity();
    session->user_ = session->users.authenticate(user.empty() ? defaultUser() : user, password);
    return session;
}

std::shared_ptr<Session> Session::openFolder(const std::filesystem::path& folder) {
    auto session = std::make_shared<Session>(Config::locateFolder(folder));
    Schema::open(session->store);
    return session;
}

void Session::checkIntegrity() {
    std::string problem;
    try {
        auto q = store.prepare("PRAGMA quick_check");
        while (q.step()) {
            const std::string line = q.text(0);
            if (line != "ok" && problem.empty())
                problem = line;
        }
    } catch (const BusyError&) {
        throw;
    } catch (const VssError& e) {
        // A full disk or a store that cannot be read is not damage, and no restore mends it.
        if (!store.lastFailureIsDamage())
            throw VssError("Cannot read the database store " + quote(location_.store.string()) +
                           ": " + store.lastFailure());
        problem = e.what();
    }
    if (!problem.empty())
        throw VssError("The database store " + quote(location_.store.string()) +
                       " failed its integrity check: " + problem);
    Schema::open(store);
    Schema::rebuildCaches(store);
}

std::string Session::projectFolder(std::int64_t projectId) {
    // In a run the calls follow each other closely: the version its last transaction saw does.
    const std::pair key{store.groupDepth() > 0 ? store.othersVersion()
                                               : store.currentOthersVersion(),
                        store.placeChanges()};
    if (foldersKey_ != key) {
        folders_.clear();
        foldersKey_ = key;
    }
    return findProjectFolder(projectId);
}

std::string Session::findProjectFolder(std::int64_t projectId) {
    if (auto known = folders_.find(projectId); known != folders_.end())
        return known->second;
    std::string folder;
    if (auto own = workspace.workingFolder(user_.id, projectId)) {
        folder = *own;
    } else if (const auto link = items.projectLink(projectId)) {
        const std::string parent = findProjectFolder(link->first);
        folder = parent.empty() ? std::string() : localChild(parent, link->second);
    }
    folders_.emplace(projectId, folder);
    return folder;
}

std::string Session::localSpec(const ItemRef& item) {
    if (item.isProject())
        return projectFolder(item.id);
    const std::string folder = projectFolder(item.parentId);
    return folder.empty() ? std::string() : localChild(folder, item.name);
}

std::string Session::localChild(const std::string& folder, const std::string& storedName) {
    Names::validateStored(storedName);
    std::string path;
    path.reserve(folder.size() + 1 + storedName.size());
    path += folder;
    if (folder.empty() || folder.back() != '/')
        path += '/';
    return path += storedName;
}

void Session::beginRun() {
    store.currentDataVersion(); // what other processes changed before the run is seen in it
    store.beginGroup();
}

void Session::endRun() {
    if (store.groupDepth() == 1) {
        copyAhead_.reset();
        statAhead_.reset();
    }
    if (store.groupDepth() == 1 && !store.readOnly()) {
        try {
            localCopies.flush();
        } catch (const VssError&) {
            // Kept for the next attempt; a lost record costs a re-check, not the run.
        }
    }
    store.endGroup();
}

void Session::announce(bool replacing, std::vector<std::string> specs, std::int32_t flags) {
    if (store.groupDepth() == 0 || !CopyAhead::worthwhile())
        return;
    // An undone check-out replaces its file whatever it finds there.
    if (!replacing && specs.size() >= StatAhead::kFewest) {
        try {
            std::vector<std::string> paths = localPaths(specs);
            if (!statAhead_)
                statAhead_ = std::make_unique<StatAhead>();
            statAhead_->announce(std::move(paths));
        } catch (const VssError&) {
            // Without looks ahead, each get looks itself.
        }
    }
    if (!copyAhead_)
        // The thread reads through a connection of its own, as this user.
        copyAhead_ = std::make_unique<CopyAhead>([location = location_, user = user_] {
            auto reader = std::make_unique<Session>(location);
            reader->user_ = user;
            reader->store.mapForReading();
            return reader;
        });
    copyAhead_->announce(std::move(specs), flags, replacing);
}

std::vector<std::string> Session::localPaths(const std::vector<std::string>& specs) {
    std::vector<std::string> paths;
    store.read([&] {
        paths.clear();
        paths.reserve(specs.size());
        // The files of a run mostly share their project: its folder is looked up once.
        std::optional<std::string_view> project;
        std::string folder;
        for (const std::string& spec : specs) {
            const std::size_t slash = spec.rfind('/');
            if (slash == std::string::npos || slash + 1 == spec.size()) {
                paths.emplace_back();
                continue;
            }
            const std::string_view projectSpec(spec.data(), slash <= 1 ? slash + 1 : slash);
            if (project != projectSpec) {
                project = projectSpec;
                const auto found = items.lookup(std::string(projectSpec), false);
                folder = found && found->isProject() ? projectFolder(found->id) : std::string();
            }
            if (folder.empty() || !Names::problem(spec.substr(slash + 1)).empty()) {
                paths.emplace_back();
                continue;
            }
            paths.push_back(localChild(folder, spec.substr(slash + 1)));
        }
    });
    return paths;
}

std::optional<LocalFile::Status> Session::lookedAhead(const std::string& path) {
    if (!statAhead_)
        return std::nullopt;
    return statAhead_->take(path);
}

void Session::localChanged(const std::string& path) {
    if (statAhead_)
        statAhead_->changed(path);
}

void Session::setLocalReadOnly(const std::string& path, bool readOnly) {
    LocalFile::setReadOnly(path, readOnly);
    localChanged(path);
}

} // namespace vss::server
