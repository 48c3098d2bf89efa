// An open database: its location, the store connection with the tables over it, and the user
// who opened it. Shared by the database object and every item object it hands out, so items
// stay usable while any of them lives.
#pragma once

#include "Config.h"
#include "ContentStore.h"
#include "CopyAhead.h"
#include "ItemTable.h"
#include "LocalCopies.h"
#include "StatAhead.h"
#include "Store.h"
#include "TemporarySweeper.h"
#include "UserTable.h"
#include "WorkspaceTable.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vss::server {

class Session {
public:
    // Opens the database for a user, checking the password. Each failure has its own
    // description: no ini file, a store that fails its integrity check, unknown user, wrong
    // password.
    static std::shared_ptr<Session> open(const std::string& iniPath, const std::string& user,
                                         const std::string& password);
    // The user a login without a name is for: $SSUSER, else the logon name.
    static std::string defaultUser();
    // Opens the database of a folder for administration, without a user.
    static std::shared_ptr<Session> openFolder(const std::filesystem::path& folder);

    explicit Session(const DatabaseLocation& location);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const DatabaseLocation& location() const { return location_; }
    const User& user() const { return user_; }

    // The working folder of a project for this user: its own, else the parent's + "/" + its
    // name; empty when none is set anywhere above. Answers are kept until the store changes;
    // inside a run, a change by another process is seen from this connection's next
    // transaction on.
    std::string projectFolder(std::int64_t projectId);
    // A file's local path: its project's folder + "/" + its name; empty without a folder.
    std::string localSpec(const ItemRef& item);
    // folder + "/" + a name read from the store, which must be a valid name.
    static std::string localChild(const std::string& folder, const std::string& storedName);

    // A run of calls whose durable changes go to disk together when it ends (see IVSSRun).
    void beginRun();
    // Ends the run begun last; the outermost end also writes the local-copy records gathered
    // so far, and returns once the run's changes are on disk.
    void endRun();
    // Gets (or, `replacing`, undone check-outs) of the files at `specs` that are to follow in
    // the run: their copies may be written ahead. Outside a run an announcement is ignored.
    void announce(bool replacing, std::vector<std::string> specs, std::int32_t flags);
    // The copies written ahead in this run; null when none was announced.
    CopyAhead* copyAhead() { return copyAhead_.get(); }
    // What a look at the file at `path`, taken ahead of this get, found; none when no look was
    // taken or it no longer stands.
    std::optional<LocalFile::Status> lookedAhead(const std::string& path);
    // To be called once this session has changed a local file (its content or its mode): a
    // look taken ahead of that no longer stands.
    void localChanged(const std::string& path);
    // Makes a local file read-only or writable, as a change of this session.
    void setLocalReadOnly(const std::string& path, bool readOnly);

    Store store;
    ContentStore contents;
    ItemTable items;
    UserTable users;
    WorkspaceTable workspace;
    LocalCopies localCopies;
    TemporarySweeper temporaries;

private:
    void checkIntegrity();
    std::string findProjectFolder(std::int64_t projectId);
    // The local paths of the files at `specs`, empty for those without one.
    std::vector<std::string> localPaths(const std::vector<std::string>& specs);

    DatabaseLocation location_;
    User user_;
    std::unordered_map<std::int64_t, std::string> folders_; // by project id
    // What they hold for: others' version of the store and this connection's place changes.
    std::optional<std::pair<std::uint32_t, std::uint64_t>> foldersKey_;
    std::unique_ptr<StatAhead> statAhead_;
    std::unique_ptr<CopyAhead> copyAhead_; // last: its thread stops first
};

} // namespace vss::server
