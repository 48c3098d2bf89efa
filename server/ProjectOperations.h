// The project side of the automation calls: Add, NewSubproject, Share, deleting and recovering
// an item, and working folders. Each public call is one write transaction.
#pragma once

#include "Session.h"

#include <string>

namespace vss::server {

class ProjectOperations {
public:
    ProjectOperations(Session& session, const ItemRef& item) : s_(session), item_(item) {}

    ItemRef add(const std::string& local, const std::string& comment, std::int32_t flags);
    ItemRef newSubproject(const std::string& name, const std::string& comment);
    // Shares `source` into this project.
    void share(const ItemRef& source, const std::string& comment, std::int32_t flags);
    // Deletes or recovers this item in the project it was reached through.
    void setDeleted(bool deleted);
    void setWorkingFolder(const std::string& folder);

private:
    void requireLiveProject();
    ItemRef shareProject(const ItemRef& source, const ItemRef& target, const std::string& comment,
                         bool recursive);
    // The first check-out found at or below the item, if any.
    std::optional<Checkout> checkoutWithin(const ItemRef& item);
    NewVersion note(const std::string& action, const std::string& comment) const;

    Session& s_;
    ItemRef item_;
};

} // namespace vss::server
