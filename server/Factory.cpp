// The library's one COM entry: creates the database object for CLSID_VSSDatabase.
#include "Database.h"

#include <vss/VssInterfaces.h>

#include <new>

extern "C" __attribute__((visibility("default"))) com::HRESULT
ComGetClassObject(const com::CLSID* clsid, const com::IID* iid, void** out) {
    if (out == nullptr || clsid == nullptr || iid == nullptr)
        return com::E_POINTER;
    *out = nullptr;
    if (!(*clsid == vss::CLSID_VSSDatabase))
        return com::reportError(com::CLASS_E_CLASSNOTAVAILABLE,
                                u"This library serves only the SourceSafe database class.");
    auto* database = new (std::nothrow) vss::server::Database();
    if (database == nullptr)
        return com::E_OUTOFMEMORY;
    const com::HRESULT hr = database->QueryInterface(*iid, out);
    database->Release();
    return hr;
}
