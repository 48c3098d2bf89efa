#include "ProjectListing.h"

#include "Errors.h"

namespace vss::server {

std::vector<VSSChildStatus> listChildren(Session& session, const ItemRef& project,
                                         bool includeDeleted) {
    if (!project.isProject())
        throw VssError(quote(project.spec) + " is a file; only projects have items.");
    auto q =
        session.store.prepare("SELECT l.name, i.type, l.deleted, u.name, c.local_path, c.date, "
                              "(SELECT v.date FROM versions v WHERE v.item_id = l.child_id "
                              "ORDER BY v.number DESC LIMIT 1) "
                              "FROM links l JOIN items i ON i.id = l.child_id "
                              "LEFT JOIN checkouts c ON c.item_id = l.child_id "
                              "LEFT JOIN users u ON u.id = c.user_id "
                              "WHERE l.parent_id = ?1 ORDER BY l.position");
    q.bind(1, project.id);
    std::vector<VSSChildStatus> children;
    while (q.step()) {
        const bool deleted = q.integer(2) != 0;
        if (deleted && !includeDeleted)
            continue;
        VSSChildStatus child;
        child.name = com::widen(q.text(0));
        child.type = q.integer(1) == kProject ? kTypeProject : kTypeFile;
        child.deleted = deleted ? com::kTrue : com::kFalse;
        const bool checkedOut = !q.isNull(3);
        if (checkedOut) {
            child.checkoutUser = com::widen(q.text(3));
            child.checkoutLocalSpec = com::widen(q.text(4));
        }
        child.date = checkedOut ? q.integer(5) : (q.isNull(6) ? 0 : q.integer(6));
        children.push_back(std::move(child));
    }
    return children;
}

} // namespace vss::server
