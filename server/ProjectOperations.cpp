#include "ProjectOperations.h"

#include "Names.h"

#include <vss/VssInterfaces.h>

namespace vss::server {

namespace {
constexpr std::size_t kMaxComment = 16 << 20;

void checkComment(const std::string& comment) {
    if (comment.size() > kMaxComment)
        throw invalidArgument("The comment is too long (" + std::to_string(comment.size()) +
                              " bytes; at most 16 MiB).");
}
} // namespace

NewVersion ProjectOperations::note(const std::string& action, const std::string& comment) const {
    return NewVersion{s_.user().name, action, comment, 0, 0};
}

void ProjectOperations::requireLiveProject() {
    if (!item_.isProject())
        throw VssError(quote(item_.spec) + " is a file, not a project.");
    if (s_.items.isDeleted(item_))
        throw VssError("The project " + quote(item_.spec) + " is deleted.");
}

ItemRef ProjectOperations::add(const std::string& local, const std::string& comment,
                               std::int32_t flags) {
    checkComment(comment);
    if (local.empty())
        throw invalidArgument("No local file given to add.");
    // "\" separates folders in a path handed in, but a file here may hold one in its name:
    // such a name is refused as a name, not reported as a path that does not exist.
    if (const std::filesystem::path raw(local);
        raw.filename().string().find('\\') != std::string::npos &&
        LocalFile::kind(raw) == LocalFile::Kind::Plain)
        Names::validate(raw.filename().string());
    const std::filesystem::path path = LocalFile::normalize(local);
    const std::string name = path.filename().string();
    Names::validate(name);
    { LocalFile::Reader probe(path); }
    ItemRef file;
    s_.store.write([&] {
        requireLiveProject();
        s_.items.requireFree(item_, name);
        const ContentInfo content = s_.contents.put(path);
        file = s_.items.create(item_, name, kFile, content.binary);
        s_.items.addVersion(file.id, {s_.user().name, "Created", comment, content.id,
                                      LocalFile::modificationTime(path)});
        s_.items.addVersion(item_.id, note("Added " + name, comment));
        if ((flags & kMaskReadOnly) != FlagWritable)
            s_.setLocalReadOnly(path.string(), true);
        const LocalFile::Status local = LocalFile::status(path);
        s_.localCopies.record(
            s_.user().id, path.string(),
            {file.id, 1, local.modificationTime, local.settled ? local.size : -1, local.inode});
    });
    s_.localCopies.flushIfFull();
    return file;
}

ItemRef ProjectOperations::newSubproject(const std::string& name, const std::string& comment) {
    checkComment(comment);
    Names::validate(name);
    ItemRef project;
    s_.store.write([&] {
        requireLiveProject();
        project = s_.items.create(item_, name, kProject, false);
        s_.items.addVersion(project.id, note("Created", comment));
        s_.items.addVersion(item_.id, note("Added " + name, comment));
    });
    return project;
}

void ProjectOperations::share(const ItemRef& source, const std::string& comment,
                              std::int32_t flags) {
    checkComment(comment);
    const bool recursive = (flags & kMaskRecursive) == FlagRecursiveYes;
    s_.store.write([&] {
        requireLiveProject();
        if (s_.items.isDeleted(source))
            throw VssError(quote(source.spec) + " is deleted and cannot be shared.");
        if (source.isProject()) {
            if (s_.items.isWithin(item_.id, source.id))
                throw VssError("Cannot share the project " + quote(source.spec) + " into " +
                               quote(item_.spec) + ", which is the project itself or lies in it.");
            shareProject(source, item_, comment, recursive);
        } else {
            s_.items.link(item_, source.id, source.name);
        }
        s_.items.addVersion(item_.id, note("Shared " + source.spec, comment));
    });
}

ItemRef ProjectOperations::shareProject(const ItemRef& source, const ItemRef& target,
                                        const std::string& comment, bool recursive) {
    ItemRef copy = s_.items.create(target, source.name, kProject, false);
    s_.items.addVersion(copy.id, note("Created", comment));
    for (const ItemRef& child : s_.items.children(source, false)) {
        if (child.isProject()) {
            if (recursive) {
                shareProject(child, copy, comment, true);
                s_.items.addVersion(copy.id, note("Shared " + child.spec, comment));
            }
            continue;
        }
        s_.items.link(copy, child.id, child.name);
        s_.items.addVersion(copy.id, note("Shared " + child.spec, comment));
    }
    return copy;
}

std::optional<Checkout> ProjectOperations::checkoutWithin(const ItemRef& item) {
    if (!item.isProject())
        return s_.workspace.checkout(item.id);
    for (const ItemRef& child : s_.items.children(item, false))
        if (auto co = checkoutWithin(child))
            return co;
    return std::nullopt;
}

void ProjectOperations::setDeleted(bool deleted) {
    if (item_.parentId == 0)
        throw VssError("The root project \"$/\" cannot be deleted.");
    s_.store.write([&] {
        if (s_.items.isDeleted(item_) == deleted)
            return;
        if (deleted) {
            if (auto co = checkoutWithin(item_))
                throw VssError(
                    "Cannot delete " + quote(item_.spec) + ": " +
                    (co->itemId == item_.id ? std::string("it") : std::string("a file in it")) +
                    " is checked out by " + co->user + ".");
        }
        s_.items.setDeleted(item_, deleted);
        s_.items.addVersion(item_.parentId,
                            note((deleted ? "Deleted " : "Recovered ") + item_.name, ""));
    });
}

void ProjectOperations::setWorkingFolder(const std::string& folder) {
    if (!item_.isProject())
        throw VssError("Working folders belong to projects; " + quote(item_.spec) + " is a file.");
    const std::string normalized = LocalFile::normalizedText(folder);
    s_.store.write([&] { s_.workspace.setWorkingFolder(s_.user().id, item_.id, normalized); });
}

} // namespace vss::server
