// The store's tables. The permanent record: contents and chunks, items and their links into
// projects, versions, users, check-outs and working folders. One cache beside it: each user's
// record of the local copies it wrote, which is dropped and rebuilt empty when its shape
// changes, never migrated. Spec lookups walk the indexed links.
#pragma once

#include "Store.h"

namespace vss::server {

class Schema {
public:
    // 2: a link keeps its name case-folded (Names::fold) beside it, and that is what the name
    // index holds; 1 indexed names folded in ASCII letters only.
    static constexpr int kVersion = 2;
    static constexpr std::int64_t kRootId = 1;

    // Creates every table and index and the root project "$/", in the caller's transaction.
    static void create(Store& store, const std::string& adminUser);
    // Makes an opened store ready for this library: raises unless it holds a schema this
    // library understands, and brings an older shape, or folded names of older Unicode tables,
    // up to date in one durable transaction (refused, naming them, when names would clash).
    static void open(Store& store);
    // Replaces a cache table of an older shape by an empty one.
    static void rebuildCaches(Store& store);
};

} // namespace vss::server
