#include "WorkspaceTable.h"

namespace vss::server {

std::optional<Checkout> WorkspaceTable::checkout(std::int64_t itemId) {
    auto q = store_.prepare("SELECT c.user_id, u.name, c.local_path, c.date, c.version, "
                            "c.comment FROM checkouts c JOIN users u ON u.id = c.user_id "
                            "WHERE c.item_id = ?1");
    q.bind(1, itemId);
    if (!q.step())
        return std::nullopt;
    Checkout c;
    c.itemId = itemId;
    c.userId = q.integer(0);
    c.user = q.text(1);
    c.localPath = q.text(2);
    c.date = q.integer(3);
    c.version = static_cast<std::int32_t>(q.integer(4));
    c.comment = q.text(5);
    return c;
}

void WorkspaceTable::addCheckout(const Checkout& c) {
    store_
        .prepare("INSERT INTO checkouts(item_id, user_id, local_path, date, version, comment) "
                 "VALUES(?1, ?2, ?3, ?4, ?5, ?6)")
        .bind(1, c.itemId)
        .bind(2, c.userId)
        .bind(3, c.localPath)
        .bind(4, c.date)
        .bind(5, c.version)
        .bind(6, c.comment)
        .run();
}

void WorkspaceTable::removeCheckout(std::int64_t itemId) {
    store_.prepare("DELETE FROM checkouts WHERE item_id = ?1").bind(1, itemId).run();
}

std::optional<std::string> WorkspaceTable::workingFolder(std::int64_t userId,
                                                         std::int64_t projectId) {
    auto q =
        store_.prepare("SELECT folder FROM working_folders WHERE user_id = ?1 AND project_id = ?2");
    q.bind(1, userId).bind(2, projectId);
    if (!q.step())
        return std::nullopt;
    return q.text(0);
}

void WorkspaceTable::setWorkingFolder(std::int64_t userId, std::int64_t projectId,
                                      const std::string& folder) {
    store_.notePlacesChanged();
    if (folder.empty()) {
        store_.prepare("DELETE FROM working_folders WHERE user_id = ?1 AND project_id = ?2")
            .bind(1, userId)
            .bind(2, projectId)
            .run();
        return;
    }
    store_
        .prepare("INSERT INTO working_folders(user_id, project_id, folder) VALUES(?1, ?2, ?3) "
                 "ON CONFLICT(user_id, project_id) DO UPDATE SET folder = excluded.folder")
        .bind(1, userId)
        .bind(2, projectId)
        .bind(3, folder)
        .run();
}

} // namespace vss::server
