#include "BenchSupport.h"

#include <system/System.h>
#include <vss/VssAdmin.h>

#include <stdexcept>

extern "C" com::HRESULT ComGetClassObject(const com::CLSID* clsid, const com::IID* iid, void** out);

namespace bench {

namespace fs = std::filesystem;

void check(com::HRESULT hr, std::string_view call) {
    if (com::succeeded(hr))
        return;
    const auto info = com::takeErrorInfo();
    throw std::runtime_error(std::string(call) + ": " +
                             (info ? com::narrow(*info) : "status " + std::to_string(hr)));
}

com::ComPtr<vss::IVSSDatabase> createAndOpen(const fs::path& folder) {
    vss::admin::createDatabase(folder, sys::logonName());
    com::ComPtr<vss::IVSSDatabase> db;
    check(ComGetClassObject(&vss::CLSID_VSSDatabase, &vss::IVSSDatabase::kIid, db.putVoid()),
          "ComGetClassObject");
    check(db->Open(com::widen((folder / "srcsafe.ini").string()), u"", u""), "Open");
    return db;
}

com::ComPtr<vss::IVSSItem> item(vss::IVSSDatabase& db, const std::string& path) {
    com::ComPtr<vss::IVSSItem> result;
    check(db.get_VSSItem(com::widen(path), com::kFalse, result.put()), "get_VSSItem " + path);
    return result;
}

com::ComPtr<vss::IVSSItem> newProject(vss::IVSSItem& parent, const std::string& name) {
    com::ComPtr<vss::IVSSItem> project;
    check(parent.NewSubproject(com::widen(name), u"", project.put()), "NewSubproject " + name);
    return project;
}

fs::path ssTool() {
    return QM_SS_PATH;
}

} // namespace bench
