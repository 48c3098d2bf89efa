// The database object (IVSSDatabase; IVSSRun and IVSSCopyAhead for runs of many calls): created
// unopened by the class factory; Open connects it to a database for one user.
#pragma once

#include "Session.h"

#include <vss/VssInterfaces.h>

#include <memory>

namespace vss::server {

class Database final : public com::Implements<IVSSDatabase, IVSSRun, IVSSCopyAhead> {
public:
    HRESULT Open(const std::u16string& iniPath, const std::u16string& user,
                 const std::u16string& password) override;
    HRESULT get_VSSItem(const std::u16string& spec, VARIANT_BOOL includeDeleted,
                        IVSSItem** item) override;
    HRESULT get_UserName(std::u16string* name) override;
    HRESULT get_SrcSafeIni(std::u16string* path) override;
    HRESULT get_DatabaseName(std::u16string* name) override;

    HRESULT BeginRun() override;
    HRESULT EndRun() override;

    HRESULT Announce(std::int32_t call, const std::vector<std::u16string>& specs,
                     std::int32_t flags) override;

private:
    ~Database() override = default;
    Session& session();

    std::shared_ptr<Session> session_;
};

} // namespace vss::server
