#include "Database.h"

#include "Item.h"

namespace vss::server {

Session& Database::session() {
    if (!session_)
        throw VssError("The SourceSafe database is not open.", com::E_UNEXPECTED);
    return *session_;
}

HRESULT Database::Open(const std::u16string& iniPath, const std::u16string& user,
                       const std::u16string& password) {
    return guardCall([&] {
        session_ = Session::open(com::narrow(iniPath), com::narrow(user), com::narrow(password));
    });
}

HRESULT Database::get_VSSItem(const std::u16string& spec, VARIANT_BOOL includeDeleted,
                              IVSSItem** item) {
    return guardCall([&] {
        requireOut(item);
        *item = nullptr;
        Session& s = session();
        const ItemRef ref = s.items.require(com::narrow(spec), includeDeleted != 0);
        *item = new Item(session_, ref);
    });
}

HRESULT Database::get_UserName(std::u16string* name) {
    return guardCall([&] {
        requireOut(name);
        *name = com::widen(session().user().name);
    });
}

HRESULT Database::get_SrcSafeIni(std::u16string* path) {
    return guardCall([&] {
        requireOut(path);
        *path = com::widen(session().location().ini.string());
    });
}

HRESULT Database::get_DatabaseName(std::u16string* name) {
    return guardCall([&] {
        requireOut(name);
        *name = com::widen(session().location().name);
    });
}

HRESULT Database::BeginRun() {
    return guardCall([&] { session().beginRun(); });
}

HRESULT Database::EndRun() {
    return guardCall([&] { session().endRun(); });
}

HRESULT Database::Announce(std::int32_t call, const std::vector<std::u16string>& specs,
                           std::int32_t flags) {
    return guardCall([&] {
        if (call != VSSCopyGet && call != VSSCopyUndoCheckout)
            throw invalidArgument("Unknown kind of call announced: " + std::to_string(call) + ".");
        std::vector<std::string> narrowed;
        narrowed.reserve(specs.size());
        for (const std::u16string& spec : specs)
            narrowed.push_back(com::narrow(spec));
        session().announce(call == VSSCopyUndoCheckout, std::move(narrowed), flags);
    });
}

} // namespace vss::server
