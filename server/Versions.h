// An item's history (IVSSVersions), newest first, taken once.
#pragma once

#include "ItemTable.h"

#include <vss/VssInterfaces.h>

#include <vector>

namespace vss::server {

class Versions final : public com::Implements<IVSSVersions> {
public:
    explicit Versions(std::vector<VersionRow> rows) : rows_(std::move(rows)) {}

    HRESULT get_Count(std::int32_t* count) override;
    HRESULT get_Item(std::int32_t index, IVSSVersion** version) override;

private:
    ~Versions() override = default;

    std::vector<VersionRow> rows_;
};

} // namespace vss::server
