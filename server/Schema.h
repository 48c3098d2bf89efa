// The store's tables. The permanent record: contents and chunks, items and their links into
// projects, versions, users, check-outs and working folders. One cache beside it: each user's
// record of the local copies it wrote, which is dropped and rebuilt empty when its shape
// changes, never migrated. Spec lookups walk the indexed links.
#pragma once

#include "Store.h"

namespace vss::server {

class Schema {
public:
    static constexpr int kVersion = 1;
    static constexpr std::int64_t kRootId = 1;

    // Creates every table and index and the root project "$/", in the caller's transaction.
    static void create(Store& store, const std::string& adminUser);
    // Raises unless the store holds a schema this library understands.
    static void check(Store& store);
    // Replaces a cache table of an older shape by an empty one.
    static void rebuildCaches(Store& store);
};

} // namespace vss::server
