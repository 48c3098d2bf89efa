// One entry of an item's history (IVSSVersion).
#pragma once

#include "ItemTable.h"

#include <vss/VssInterfaces.h>

namespace vss::server {

class Version final : public com::Implements<IVSSVersion> {
public:
    explicit Version(VersionRow row) : row_(std::move(row)) {}

    HRESULT get_VersionNumber(std::int32_t* number) override;
    HRESULT get_UserName(std::u16string* user) override;
    HRESULT get_Date(std::int64_t* unixSeconds) override;
    HRESULT get_Action(std::u16string* action) override;
    HRESULT get_Comment(std::u16string* comment) override;
    HRESULT get_Label(std::u16string* label) override;

private:
    ~Version() override = default;

    VersionRow row_;
};

} // namespace vss::server
