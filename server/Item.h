// An item object (IVSSItem): a project or a file as reached through one path. It keeps the
// project it was reached through, which decides a shared file's spec and local path.
#pragma once

#include "Session.h"

#include <vss/VssInterfaces.h>

#include <memory>

namespace vss::server {

class Item final : public com::Implements<IVSSItem, IVSSFileContent, IVSSProjectStatus> {
public:
    Item(std::shared_ptr<Session> session, ItemRef ref)
        : session_(std::move(session)), ref_(std::move(ref)) {}

    const ItemRef& ref() const { return ref_; }
    const Session* session() const { return session_.get(); }

    HRESULT get_Spec(std::u16string* spec) override;
    HRESULT get_Name(std::u16string* name) override;
    HRESULT get_LocalSpec(std::u16string* local) override;
    HRESULT put_LocalSpec(const std::u16string& folder) override;
    HRESULT get_Type(std::int32_t* type) override;
    HRESULT get_IsCheckedOut(std::int32_t* state) override;
    HRESULT get_Binary(VARIANT_BOOL* binary) override;
    HRESULT get_Deleted(VARIANT_BOOL* deleted) override;
    HRESULT put_Deleted(VARIANT_BOOL deleted) override;
    HRESULT get_VersionNumber(std::int32_t* number) override;
    HRESULT get_Parent(IVSSItem** parent) override;
    HRESULT get_Items(VARIANT_BOOL includeDeleted, IVSSItems** items) override;
    HRESULT get_Versions(std::int32_t flags, IVSSVersions** versions) override;

    HRESULT Get(std::u16string* local, std::int32_t flags) override;
    HRESULT Checkout(const std::u16string& comment, const std::u16string& local,
                     std::int32_t flags) override;
    HRESULT Checkin(const std::u16string& comment, const std::u16string& local,
                    std::int32_t flags) override;
    HRESULT UndoCheckout(const std::u16string& local, std::int32_t flags) override;
    HRESULT Add(const std::u16string& local, const std::u16string& comment, std::int32_t flags,
                IVSSItem** item) override;
    HRESULT NewSubproject(const std::u16string& name, const std::u16string& comment,
                          IVSSItem** project) override;
    HRESULT Share(IVSSItem* item, const std::u16string& comment, std::int32_t flags) override;

    HRESULT ReadVersion(std::int32_t number, std::string* content) override;

    HRESULT ListChildren(VARIANT_BOOL includeDeleted,
                         std::vector<VSSChildStatus>* children) override;

private:
    ~Item() override = default;

    std::shared_ptr<Session> session_;
    ItemRef ref_;
};

} // namespace vss::server
