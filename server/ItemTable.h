// Items (projects and files), their links into projects, and their versions. A file shared
// into several projects is one item with several links; a project has exactly one link
// (none for the root "$/").
#pragma once

#include "Store.h"

#include <optional>
#include <string>
#include <vector>

namespace vss::server {

inline constexpr int kProject = 0;
inline constexpr int kFile = 1;

// An item as reached through a path: the parent is the project it was reached through.
struct ItemRef {
    std::int64_t id = 0;
    std::int64_t parentId = 0; // 0 for the root
    int type = kProject;
    std::string name;
    std::string spec;
    bool deleted = false;

    bool isProject() const { return type == kProject; }
};

struct VersionRow {
    std::int32_t number = 0;
    std::string user;
    std::int64_t date = 0;
    std::string action;
    std::string comment;
    std::string label;
    std::int64_t contentId = 0; // 0 for a project's version
    std::int64_t modificationTime = 0;
};

struct NewVersion {
    std::string user;
    std::string action;
    std::string comment;
    std::int64_t contentId = 0;
    std::int64_t modificationTime = 0;
};

class ItemTable {
public:
    explicit ItemTable(Store& store) : store_(store) {}

    ItemRef root();
    // Walks the spec from the root; a deleted item (or one under a deleted project) is found
    // only with includeDeleted. Raises for a malformed spec.
    std::optional<ItemRef> lookup(const std::string& spec, bool includeDeleted);
    ItemRef require(const std::string& spec, bool includeDeleted);

    // Children in the order they were added.
    std::vector<ItemRef> children(const ItemRef& project, bool includeDeleted);
    // How many items the project holds, deleted ones included.
    std::size_t childCount(const ItemRef& project);
    // The child of that name (any case), deleted or not.
    std::optional<ItemRef> child(const ItemRef& project, const std::string& name);
    // The current state of the link the item was reached through.
    bool isDeleted(const ItemRef& item);
    bool binary(std::int64_t id);
    // The one project a project item lives in (0 for the root), with its name there.
    std::optional<std::pair<std::int64_t, std::string>> projectLink(std::int64_t projectId);
    // True when `project` is `ancestor` or lies below it.
    bool isWithin(std::int64_t project, std::int64_t ancestor);

    // Raises, naming the item there, when the project has a child of that name in any case.
    void requireFree(const ItemRef& project, const std::string& name);
    // A new item linked as the last child of the parent; the name must be free.
    ItemRef create(const ItemRef& parent, const std::string& name, int type, bool binary);
    void link(const ItemRef& parent, std::int64_t childId, const std::string& name);
    void setDeleted(const ItemRef& item, bool deleted);

    std::int32_t latestVersion(std::int64_t id);
    std::int32_t addVersion(std::int64_t id, const NewVersion& version,
                            const std::string& label = {});
    std::vector<VersionRow> versions(std::int64_t id); // newest first
    std::optional<VersionRow> version(std::int64_t id, std::int32_t number);
    // The newest version that carries content (a file's latest content).
    VersionRow latestContent(std::int64_t id);
    // The same without the texts (user, action, comment, label), which the file operations
    // do not need.
    VersionRow latestContentBrief(std::int64_t id);
    // The newest version up to `number` that carries content: what the file held at `number`.
    std::optional<VersionRow> contentAt(std::int64_t id, std::int32_t number);

private:
    Store& store_;
};

} // namespace vss::server
