#include "Schema.h"

#include <ctime>

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
  PRIMARY KEY(parent_id, child_id)) WITHOUT ROWID;
CREATE UNIQUE INDEX links_by_name ON links(parent_id, name COLLATE NOCASE);
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
    store.prepare("INSERT INTO config(key, value) VALUES('schema', ?1)")
        .bind(1, std::to_string(kVersion))
        .run();
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

void Schema::check(Store& store) {
    std::string version;
    try {
        auto q = store.prepare("SELECT value FROM config WHERE key = 'schema'");
        if (q.step())
            version = q.text(0);
    } catch (const BusyError&) {
        throw;
    } catch (const VssError&) {
        version.clear();
    }
    if (version.empty())
        throw VssError("The store " + quote(store.file().string()) +
                       " is not a SourceSafe database store.");
    if (version != std::to_string(kVersion))
        throw VssError("The store " + quote(store.file().string()) + " has format " + version +
                       ", which this server does not know.");
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
