#include "ItemTable.h"

#include "Names.h"
#include "Schema.h"

#include <ctime>

namespace vss::server {

namespace {
VersionRow readVersion(const Statement& q) {
    VersionRow v;
    v.number = static_cast<std::int32_t>(q.integer(0));
    v.user = q.text(1);
    v.date = q.integer(2);
    v.action = q.text(3);
    v.comment = q.text(4);
    v.label = q.text(5);
    v.contentId = q.isNull(6) ? 0 : q.integer(6);
    v.modificationTime = q.isNull(7) ? 0 : q.integer(7);
    return v;
}
const char* const kVersionColumns =
    "SELECT number, user, date, action, comment, label, content_id, mtime FROM versions ";
} // namespace

ItemRef ItemTable::root() {
    ItemRef r;
    r.id = Schema::kRootId;
    r.type = kProject;
    r.name = "$";
    r.spec = "$/";
    return r;
}

std::size_t ItemTable::childCount(const ItemRef& project) {
    auto q = store_.prepare("SELECT count(*) FROM links WHERE parent_id = ?1");
    q.bind(1, project.id);
    return q.step() ? static_cast<std::size_t>(q.integer(0)) : 0;
}

std::optional<ItemRef> ItemTable::child(const ItemRef& project, const std::string& name) {
    auto q = store_.prepare("SELECT l.child_id, l.name, l.deleted, i.type FROM links l "
                            "JOIN items i ON i.id = l.child_id "
                            "WHERE l.parent_id = ?1 AND l.folded = ?2");
    q.bind(1, project.id).bind(2, Names::fold(name));
    if (!q.step())
        return std::nullopt;
    ItemRef r;
    r.id = q.integer(0);
    r.parentId = project.id;
    r.name = q.text(1);
    r.deleted = q.integer(2) != 0;
    r.type = static_cast<int>(q.integer(3));
    r.spec = Names::childSpec(project.spec, r.name);
    return r;
}

std::optional<ItemRef> ItemTable::lookup(const std::string& spec, bool includeDeleted) {
    const std::vector<std::string> parts = Names::parseSpec(spec);
    ItemRef current = root();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!current.isProject())
            return std::nullopt;
        auto next = child(current, parts[i]);
        if (!next || (next->deleted && !includeDeleted))
            return std::nullopt;
        current = *next;
    }
    return current;
}

ItemRef ItemTable::require(const std::string& spec, bool includeDeleted) {
    auto item = lookup(spec, includeDeleted);
    if (!item)
        throw VssError("There is no item " + quote(spec) + " in the database.");
    return *item;
}

std::vector<ItemRef> ItemTable::children(const ItemRef& project, bool includeDeleted) {
    std::vector<ItemRef> result;
    auto q = store_.prepare("SELECT l.child_id, l.name, l.deleted, i.type FROM links l "
                            "JOIN items i ON i.id = l.child_id "
                            "WHERE l.parent_id = ?1 ORDER BY l.position");
    q.bind(1, project.id);
    while (q.step()) {
        ItemRef r;
        r.deleted = q.integer(2) != 0;
        if (r.deleted && !includeDeleted)
            continue;
        r.id = q.integer(0);
        r.parentId = project.id;
        r.name = q.text(1);
        r.type = static_cast<int>(q.integer(3));
        r.spec = Names::childSpec(project.spec, r.name);
        result.push_back(std::move(r));
    }
    return result;
}

bool ItemTable::isDeleted(const ItemRef& item) {
    if (item.parentId == 0)
        return false;
    auto q = store_.prepare("SELECT deleted FROM links WHERE parent_id = ?1 AND child_id = ?2");
    q.bind(1, item.parentId).bind(2, item.id);
    if (!q.step())
        throw VssError("The item " + quote(item.spec) + " no longer exists.");
    return q.integer(0) != 0;
}

bool ItemTable::binary(std::int64_t id) {
    auto q = store_.prepare("SELECT binary FROM items WHERE id = ?1");
    q.bind(1, id);
    return q.step() && q.integer(0) != 0;
}

std::optional<std::pair<std::int64_t, std::string>> ItemTable::projectLink(std::int64_t id) {
    auto q = store_.prepare("SELECT parent_id, name FROM links WHERE child_id = ?1 LIMIT 1");
    q.bind(1, id);
    if (!q.step())
        return std::nullopt;
    return std::make_pair(q.integer(0), q.text(1));
}

bool ItemTable::isWithin(std::int64_t project, std::int64_t ancestor) {
    for (std::int64_t at = project; at != 0;) {
        if (at == ancestor)
            return true;
        auto up = projectLink(at);
        at = up ? up->first : 0;
    }
    return false;
}

ItemRef ItemTable::create(const ItemRef& parent, const std::string& name, int type, bool binary) {
    store_.prepare("INSERT INTO items(type, binary) VALUES(?1, ?2)")
        .bind(1, type)
        .bind(2, binary ? 1 : 0)
        .run();
    const std::int64_t id = store_.lastInsertId();
    link(parent, id, name);
    ItemRef r;
    r.id = id;
    r.parentId = parent.id;
    r.type = type;
    r.name = name;
    r.spec = Names::childSpec(parent.spec, name);
    return r;
}

void ItemTable::requireFree(const ItemRef& project, const std::string& name) {
    const auto existing = child(project, name);
    if (!existing)
        return;
    std::string message = "The project " + quote(project.spec) + " already has an item named " +
                          quote(existing->name) + (existing->deleted ? " (deleted)" : "");
    if (existing->name != name)
        message += ", which is the same name as " + quote(name) + " when case is ignored";
    throw VssError(message + ".");
}

void ItemTable::link(const ItemRef& parent, std::int64_t childId, const std::string& name) {
    Names::validate(name);
    requireFree(parent, name);
    store_
        .prepare("INSERT INTO links(parent_id, child_id, name, position, folded) "
                 "VALUES(?1, ?2, ?3, (SELECT COALESCE(MAX(position), 0) + 1 FROM links "
                 "WHERE parent_id = ?1), ?4)")
        .bind(1, parent.id)
        .bind(2, childId)
        .bind(3, name)
        .bind(4, Names::fold(name))
        .run();
    store_.notePlacesChanged();
}

void ItemTable::setDeleted(const ItemRef& item, bool deleted) {
    store_.prepare("UPDATE links SET deleted = ?3 WHERE parent_id = ?1 AND child_id = ?2")
        .bind(1, item.parentId)
        .bind(2, item.id)
        .bind(3, deleted ? 1 : 0)
        .run();
    store_.notePlacesChanged();
}

std::int32_t ItemTable::latestVersion(std::int64_t id) {
    auto q = store_.prepare("SELECT MAX(number) FROM versions WHERE item_id = ?1");
    q.bind(1, id);
    return q.step() ? static_cast<std::int32_t>(q.integer(0)) : 0;
}

std::int32_t ItemTable::addVersion(std::int64_t id, const NewVersion& v, const std::string& label) {
    const std::int32_t number = latestVersion(id) + 1;
    auto insert = store_.prepare("INSERT INTO versions(item_id, number, user, date, action, "
                                 "comment, content_id, mtime, label) "
                                 "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    insert.bind(1, id).bind(2, number).bind(3, v.user);
    insert.bind(4, static_cast<std::int64_t>(std::time(nullptr)));
    insert.bind(5, v.action).bind(6, v.comment).bind(9, label);
    if (v.contentId) {
        insert.bind(7, v.contentId).bind(8, v.modificationTime);
    } else {
        insert.bindNull(7).bindNull(8);
    }
    insert.run();
    return number;
}

std::vector<VersionRow> ItemTable::versions(std::int64_t id) {
    std::vector<VersionRow> result;
    auto q =
        store_.prepare(std::string(kVersionColumns) + "WHERE item_id = ?1 ORDER BY number DESC");
    q.bind(1, id);
    while (q.step())
        result.push_back(readVersion(q));
    return result;
}

std::optional<VersionRow> ItemTable::version(std::int64_t id, std::int32_t number) {
    auto q = store_.prepare(std::string(kVersionColumns) + "WHERE item_id = ?1 AND number = ?2");
    q.bind(1, id).bind(2, number);
    if (!q.step())
        return std::nullopt;
    return readVersion(q);
}

std::optional<VersionRow> ItemTable::contentAt(std::int64_t id, std::int32_t number) {
    auto q = store_.prepare(std::string(kVersionColumns) +
                            "WHERE item_id = ?1 AND number <= ?2 AND content_id IS NOT NULL "
                            "ORDER BY number DESC LIMIT 1");
    q.bind(1, id).bind(2, number);
    if (!q.step())
        return std::nullopt;
    return readVersion(q);
}

VersionRow ItemTable::latestContent(std::int64_t id) {
    auto q = store_.prepare(std::string(kVersionColumns) +
                            "WHERE item_id = ?1 AND content_id IS NOT NULL "
                            "ORDER BY number DESC LIMIT 1");
    q.bind(1, id);
    if (!q.step())
        throw VssError("The file has no stored content.");
    return readVersion(q);
}

VersionRow ItemTable::latestContentBrief(std::int64_t id) {
    auto q = store_.prepare("SELECT number, date, content_id, mtime FROM versions "
                            "WHERE item_id = ?1 AND content_id IS NOT NULL "
                            "ORDER BY number DESC LIMIT 1");
    q.bind(1, id);
    if (!q.step())
        throw VssError("The file has no stored content.");
    VersionRow v;
    v.number = static_cast<std::int32_t>(q.integer(0));
    v.date = q.integer(1);
    v.contentId = q.integer(2);
    v.modificationTime = q.isNull(3) ? 0 : q.integer(3);
    return v;
}

} // namespace vss::server
