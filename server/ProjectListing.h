// A project's children with their check-out state, read with one statement.
#pragma once

#include "Session.h"

#include <vss/VssInterfaces.h>

#include <vector>

namespace vss::server {

// Raises for a file: only projects have children.
std::vector<VSSChildStatus> listChildren(Session& session, const ItemRef& project,
                                         bool includeDeleted);

} // namespace vss::server
