#include "Session.h"

#include "Errors.h"

#include <cstdio>

// The server library's factory entry; ss links the library, so it calls the entry directly
// instead of going through the registry.
extern "C" com::HRESULT ComGetClassObject(const com::CLSID* clsid, const com::IID* iid, void** out);

namespace ss {

void check(com::HRESULT hr, std::string_view call) {
    if (com::succeeded(hr))
        return;
    if (auto description = com::takeErrorInfo(); description && !description->empty())
        throw RefusedError(com::narrow(*description));
    char status[16];
    std::snprintf(status, sizeof status, "0x%08X", static_cast<unsigned>(hr));
    throw RefusedError(std::string(call) + " failed with status " + status);
}

std::string toUtf8(const std::u16string& text) {
    return com::narrow(text);
}
std::u16string toUtf16(std::string_view text) {
    return com::widen(text);
}

Session::ComScope::ComScope() {
    com::CoInitialize();
}
Session::ComScope::~ComScope() {
    com::CoUninitialize();
}

Session::Session(Context& context) {
    const std::string ini = (context.databaseFolder() / "srcsafe.ini").string();
    const std::string password = context.loginPassword();
    check(ComGetClassObject(&vss::CLSID_VSSDatabase, &vss::IVSSDatabase::kIid, database_.putVoid()),
          "creating the database object");
    check(database_->Open(toUtf16(ini), toUtf16(context.user), toUtf16(password)), "Open");
}

Session::~Session() = default;

com::ComPtr<vss::IVSSItem> Session::item(std::string_view spec) const {
    com::ComPtr<vss::IVSSItem> result;
    check(database_->get_VSSItem(toUtf16(spec), com::kFalse, result.put()), "get_VSSItem");
    return result;
}

std::string Session::userName() const {
    std::u16string name;
    check(database_->get_UserName(&name), "get_UserName");
    return toUtf8(name);
}

std::string itemName(vss::IVSSItem& item) {
    std::u16string name;
    check(item.get_Name(&name), "get_Name");
    return toUtf8(name);
}

std::string itemSpec(vss::IVSSItem& item) {
    std::u16string spec;
    check(item.get_Spec(&spec), "get_Spec");
    return toUtf8(spec);
}

std::string localSpec(vss::IVSSItem& item) {
    std::u16string local;
    check(item.get_LocalSpec(&local), "get_LocalSpec");
    return toUtf8(local);
}

bool isProject(vss::IVSSItem& item) {
    std::int32_t type = 0;
    check(item.get_Type(&type), "get_Type");
    return type == vss::kTypeProject;
}

} // namespace ss
