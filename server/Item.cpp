#include "Item.h"

#include "FileOperations.h"
#include "Items.h"
#include "ProjectListing.h"
#include "ProjectOperations.h"
#include "Versions.h"

namespace vss::server {

HRESULT Item::get_Spec(std::u16string* spec) {
    return guardCall([&] {
        requireOut(spec);
        *spec = com::widen(ref_.spec);
    });
}

HRESULT Item::get_Name(std::u16string* name) {
    return guardCall([&] {
        requireOut(name);
        *name = com::widen(ref_.parentId == 0 ? std::string() : ref_.name);
    });
}

HRESULT Item::get_LocalSpec(std::u16string* local) {
    return guardCall([&] {
        requireOut(local);
        *local = com::widen(session_->localSpec(ref_));
    });
}

HRESULT Item::put_LocalSpec(const std::u16string& folder) {
    return guardCall(
        [&] { ProjectOperations(*session_, ref_).setWorkingFolder(com::narrow(folder)); });
}

HRESULT Item::get_Type(std::int32_t* type) {
    return guardCall([&] {
        requireOut(type);
        *type = ref_.isProject() ? kTypeProject : kTypeFile;
    });
}

HRESULT Item::get_IsCheckedOut(std::int32_t* state) {
    return guardCall([&] {
        requireOut(state);
        *state = kNotCheckedOut;
        if (ref_.isProject())
            return;
        if (auto co = session_->workspace.checkout(ref_.id))
            *state = co->userId == session_->user().id ? kCheckedOutMe : kCheckedOutOther;
    });
}

HRESULT Item::get_Binary(VARIANT_BOOL* binary) {
    return guardCall([&] {
        requireOut(binary);
        *binary = !ref_.isProject() && session_->items.binary(ref_.id) ? com::kTrue : com::kFalse;
    });
}

HRESULT Item::get_Deleted(VARIANT_BOOL* deleted) {
    return guardCall([&] {
        requireOut(deleted);
        *deleted = session_->items.isDeleted(ref_) ? com::kTrue : com::kFalse;
    });
}

HRESULT Item::put_Deleted(VARIANT_BOOL deleted) {
    return guardCall([&] { ProjectOperations(*session_, ref_).setDeleted(deleted != 0); });
}

HRESULT Item::get_VersionNumber(std::int32_t* number) {
    return guardCall([&] {
        requireOut(number);
        *number = session_->items.latestVersion(ref_.id);
    });
}

HRESULT Item::get_Parent(IVSSItem** parent) {
    return guardCall([&] {
        requireOut(parent);
        *parent = nullptr;
        if (ref_.parentId == 0)
            throw VssError("The root project \"$/\" has no parent.");
        const std::size_t slash = ref_.spec.rfind('/');
        const std::string parentSpec = slash <= 1 ? "$/" : ref_.spec.substr(0, slash);
        *parent = new Item(session_, session_->items.require(parentSpec, true));
    });
}

HRESULT Item::get_Items(VARIANT_BOOL includeDeleted, IVSSItems** items) {
    return guardCall([&] {
        requireOut(items);
        *items = nullptr;
        if (!ref_.isProject())
            throw VssError(quote(ref_.spec) + " is a file; only projects have items.");
        *items = new Items(session_, session_->items.children(ref_, includeDeleted != 0));
    });
}

HRESULT Item::get_Versions(std::int32_t, IVSSVersions** versions) {
    return guardCall([&] {
        requireOut(versions);
        *versions = nullptr;
        *versions = new Versions(session_->items.versions(ref_.id));
    });
}

HRESULT Item::Get(std::u16string* local, std::int32_t flags) {
    return guardCall([&] {
        std::string path = local ? com::narrow(*local) : std::string();
        FileOperations(*session_, ref_).get(path, flags);
        if (local)
            *local = com::widen(path);
    });
}

HRESULT Item::Checkout(const std::u16string& comment, const std::u16string& local,
                       std::int32_t flags) {
    return guardCall([&] {
        FileOperations(*session_, ref_).checkout(com::narrow(comment), com::narrow(local), flags);
    });
}

HRESULT Item::Checkin(const std::u16string& comment, const std::u16string& local,
                      std::int32_t flags) {
    return guardCall([&] {
        FileOperations(*session_, ref_).checkin(com::narrow(comment), com::narrow(local), flags);
    });
}

HRESULT Item::UndoCheckout(const std::u16string& local, std::int32_t flags) {
    return guardCall(
        [&] { FileOperations(*session_, ref_).undoCheckout(com::narrow(local), flags); });
}

HRESULT Item::Add(const std::u16string& local, const std::u16string& comment, std::int32_t flags,
                  IVSSItem** item) {
    return guardCall([&] {
        if (item)
            *item = nullptr;
        const ItemRef added =
            ProjectOperations(*session_, ref_).add(com::narrow(local), com::narrow(comment), flags);
        if (item)
            *item = new Item(session_, added);
    });
}

HRESULT Item::NewSubproject(const std::u16string& name, const std::u16string& comment,
                            IVSSItem** project) {
    return guardCall([&] {
        if (project)
            *project = nullptr;
        const ItemRef created = ProjectOperations(*session_, ref_)
                                    .newSubproject(com::narrow(name), com::narrow(comment));
        if (project)
            *project = new Item(session_, created);
    });
}

HRESULT Item::Share(IVSSItem* item, const std::u16string& comment, std::int32_t flags) {
    return guardCall([&] {
        auto* source = dynamic_cast<Item*>(item);
        if (source == nullptr)
            throw invalidArgument("Share needs an item of this SourceSafe server.");
        if (source->session_->location().store != session_->location().store)
            throw invalidArgument("Cannot share " + quote(source->ref_.spec) +
                                  ": it belongs to another database.");
        ProjectOperations(*session_, ref_).share(source->ref_, com::narrow(comment), flags);
    });
}

HRESULT Item::ReadVersion(std::int32_t number, std::string* content) {
    return guardCall([&] {
        requireOut(content);
        *content = FileOperations(*session_, ref_).readVersion(number);
    });
}

HRESULT Item::ListChildren(VARIANT_BOOL includeDeleted, std::vector<VSSChildStatus>* children) {
    return guardCall([&] {
        requireOut(children);
        *children = listChildren(*session_, ref_, includeDeleted != 0);
    });
}

} // namespace vss::server
