// A project's children (IVSSItems), taken once: index and name access are both O(1).
#pragma once

#include "Session.h"

#include <vss/VssInterfaces.h>

#include <memory>
#include <unordered_map>
#include <vector>

namespace vss::server {

class Items final : public com::Implements<IVSSItems> {
public:
    Items(std::shared_ptr<Session> session, std::vector<ItemRef> children);

    HRESULT get_Count(std::int32_t* count) override;
    HRESULT get_Item(const com::Variant& index, IVSSItem** item) override;

private:
    ~Items() override = default;
    const ItemRef& find(const com::Variant& index) const;

    std::shared_ptr<Session> session_;
    std::vector<ItemRef> children_;
    std::unordered_map<std::string, std::size_t> byName_; // folded name -> index
};

} // namespace vss::server
