#include "Schema.h"

#include "Names.h"

#include <system/CaseFold.h>

#include <ctime>
#include <map>
#include <unordered_map>
#include <vector>

namespace vss::server {

namespace {

const char* const kTables = R"sql(
CREATE TABLE config(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);
CREATE TABLE users(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  password TEXT);
CREATE TABLE contents(
  id INTEGER PRIMARY KEY,
  hash BLOB NOT NULL UNIQUE,
  size INTEGER NOT NULL,
  binary INTEGER NOT NULL);
CREATE TABLE chunks(
  content_id INTEGER NOT NULL REFERENCES contents(id),
  seq INTEGER NOT NULL,
  size INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(content_id, seq));
CREATE TABLE items(
  id INTEGER PRIMARY KEY,
  type INTEGER NOT NULL,
  binary INTEGER NOT NULL DEFAULT 0);
CREATE TABLE links(
  parent_id INTEGER NOT NULL REFERENCES items(id),
  child_id INTEGER NOT NULL REFERENCES items(id),
  name TEXT NOT NULL,
  position INTEGER NOT NULL,
  deleted INTEGER NOT NULL DEFAULT 0,
  folded TEXT NOT NULL DEFAULT '',
  PRIMARY KEY(parent_id, child_id)) WITHOUT ROWID;
CREATE UNIQUE INDEX links_by_name ON links(parent_id, folded);
CREATE INDEX links_by_position ON links(parent_id, position);
CREATE INDEX links_by_child ON links(child_id);
CREATE TABLE versions(
  item_id INTEGER NOT NULL REFERENCES items(id),
  number INTEGER NOT NULL,
  user TEXT NOT NULL,
  date INTEGER NOT NULL,
  action TEXT NOT NULL,
  comment TEXT NOT NULL,
  label TEXT NOT NULL DEFAULT '',
  content_id INTEGER REFERENCES contents(id),
  mtime INTEGER,
  PRIMARY KEY(item_id, number));
CREATE INDEX versions_by_content ON versions(content_id);
CREATE TABLE checkouts(
  item_id INTEGER PRIMARY KEY REFERENCES items(id),
  user_id INTEGER NOT NULL REFERENCES users(id),
  local_path TEXT NOT NULL,
  date INTEGER NOT NULL,
  version INTEGER NOT NULL,
  comment TEXT NOT NULL);
CREATE TABLE working_folders(
  user_id INTEGER NOT NULL REFERENCES users(id),
  project_id INTEGER NOT NULL REFERENCES items(id),
  folder TEXT NOT NULL,
  PRIMARY KEY(user_id, project_id)) WITHOUT ROWID;
)sql";

// A cache: see rebuildCaches.
const char* const kLocalCopies = R"sql(
CREATE TABLE local_copies(
  user_id INTEGER NOT NULL REFERENCES users(id),
  path TEXT NOT NULL,
  item_id INTEGER NOT NULL REFERENCES items(id),
  version INTEGER NOT NULL,
  mtime INTEGER NOT NULL,
  size INTEGER NOT NULL DEFAULT -1,
  inode INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(user_id, path)) WITHOUT ROWID;
)sql";

// What shape the tables have and which case folding the folded names follow.
struct Stamp {
    std::string schema;
    std::string folding;
    bool current() const {
        return schema == std::to_string(Schema::kVersion) &&
               folding == std::to_string(sys::caseFoldingVersion());
    }
};

// An empty schema when the file is no store of ours.
Stamp readStamp(Store& store) {
    Stamp stamp;
    try {
        auto q = store.prepare("SELECT key, value FROM config WHERE key IN ('schema', 'folding')");
        while (q.step())
            (q.text(0) == "schema" ? stamp.schema : stamp.folding) = q.text(1);
    } catch (const BusyError&) {
        throw;
    } catch (const VssError&) {
        stamp.schema.clear();
    }
    return stamp;
}

void writeStamp(Store& store) {
    auto put = store.prepare("INSERT OR REPLACE INTO config(key, value) VALUES(?1, ?2)");
    put.bind(1, "schema").bind(2, std::to_string(Schema::kVersion)).run();
    put.reset();
    put.bind(1, "folding").bind(2, std::to_string(sys::caseFoldingVersion())).run();
}

// The spec of a project from the links in memory; the first link of an item is its place.
std::string specOf(const std::unordered_map<std::int64_t, std::pair<std::int64_t, std::string>>& up,
                   std::int64_t id) {
    std::vector<const std::string*> names;
    for (std::int64_t at = id; at != Schema::kRootId;) {
        const auto it = up.find(at);
        if (it == up.end() || names.size() > up.size())
            return "?";
        names.push_back(&it->second.second);
        at = it->second.first;
    }
    std::string spec = "$";
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        spec += "/" + **it;
    return names.empty() ? "$/" : spec;
}

// Sets every link's folded name from its name, in the caller's transaction with the name index
// dropped. Names that fold to one in the same project are never merged: the whole change is
// refused, naming them, and the caller's transaction leaves the store as it was.
void refoldNames(Store& store) {
    struct Link {
        std::int64_t parent, child;
        std::string name, folded;
    };
    std::vector<Link> links;
    std::unordered_map<std::int64_t, std::pair<std::int64_t, std::string>> up;
    {
        auto q = store.prepare("SELECT parent_id, child_id, name FROM links ORDER BY parent_id, "
                               "position");
        while (q.step()) {
            Link link{q.integer(0), q.integer(1), q.text(2), {}};
            link.folded = Names::fold(link.name);
            up.try_emplace(link.child, link.parent, link.name);
            links.push_back(std::move(link));
        }
    }
    std::map<std::pair<std::int64_t, std::string>, const Link*> seen;
    std::vector<std::string> clashes;
    for (const Link& link : links) {
        const auto [it, added] = seen.try_emplace({link.parent, link.folded}, &link);
        if (!added)
            clashes.push_back(quote(specOf(up, link.parent)) + " holds " + quote(it->second->name) +
                              " and " + quote(link.name));
    }
    if (!clashes.empty()) {
        std::string list;
        for (std::size_t i = 0; i < clashes.size() && i < 20; ++i)
            list += (i ? "; " : "") + clashes[i];
        if (clashes.size() > 20)
            list += "; and " + std::to_string(clashes.size() - 20) + " more";
        throw VssError(
            "The store " + quote(store.file().string()) +
            " cannot be brought up to date: names that differ only in case are one "
            "name, and " +
            list +
            ". Nothing was changed, and the server version that made the store can still use "
            "it.");
    }
    auto set = store.prepare("UPDATE links SET folded = ?3 WHERE parent_id = ?1 AND child_id = ?2");
    for (const Link& link : links) {
        set.bind(1, link.parent).bind(2, link.child).bind(3, link.folded).run();
        set.reset();
    }
}

bool hasColumn(Store& store, const char* table, const std::string& column) {
    auto q = store.prepare(std::string("PRAGMA table_info(") + table + ")");
    while (q.step())
        if (q.text(1) == column)
            return true;
    return false;
}

} // namespace

void Schema::create(Store& store, const std::string& adminUser) {
    store.exec(kTables);
    store.exec(kLocalCopies);
    writeStamp(store);
    store.prepare("INSERT INTO users(name, password) VALUES(?1, NULL)").bind(1, adminUser).run();
    store.prepare("INSERT INTO items(id, type, binary) VALUES(?1, 0, 0)").bind(1, kRootId).run();
    store
        .prepare("INSERT INTO versions(item_id, number, user, date, action, comment) "
                 "VALUES(?1, 1, ?2, ?3, 'Created', '')")
        .bind(1, kRootId)
        .bind(2, adminUser)
        .bind(3, static_cast<std::int64_t>(std::time(nullptr)))
        .run();
}

void Schema::open(Store& store) {
    Stamp stamp = readStamp(store);
    if (stamp.schema.empty())
        throw VssError("The store " + quote(store.file().string()) +
                       " is not a SourceSafe database store.");
    if (stamp.schema != "1" && stamp.schema != std::to_string(kVersion))
        throw VssError("The store " + quote(store.file().string()) + " has format " + stamp.schema +
                       ", which this server does not know.");
    if (stamp.current())
        return;
    if (store.readOnly()) {
        // Folded forms of older tables still find nearly every name; they are brought up to
        // date by the next process that may write.
        if (stamp.schema == std::to_string(kVersion))
            return;
        throw VssError("The store " + quote(store.file().string()) + " has the older format " +
                       stamp.schema + " and is read-only, so it cannot be brought up to format " +
                       std::to_string(kVersion) + "; open it once with write access.");
    }
    store.write([&] {
        stamp = readStamp(store); // another process may have done it meanwhile
        if (stamp.current())
            return;
        store.exec("DROP INDEX IF EXISTS links_by_name");
        if (stamp.schema == "1")
            store.exec("ALTER TABLE links ADD COLUMN folded TEXT NOT NULL DEFAULT ''");
        refoldNames(store);
        store.exec("CREATE UNIQUE INDEX links_by_name ON links(parent_id, folded)");
        writeStamp(store);
    });
}

void Schema::rebuildCaches(Store& store) {
    if (hasColumn(store, "local_copies", "inode"))
        return;
    store.writeCache([&] {
        if (hasColumn(store, "local_copies", "inode"))
            return;
        store.exec("DROP TABLE IF EXISTS local_copies");
        store.exec(kLocalCopies);
    });
}

} // namespace vss::server
