#include "VssAutomation.h"

#include <cstdio>

using com::narrow;
using com::widen;

void OleCheck(com::HRESULT status) {
    if (com::succeeded(status))
        return;
    if (auto description = com::takeErrorInfo(); description && !description->empty())
        throw EVssError(narrow(*description), status);
    char text[64];
    std::snprintf(text, sizeof text, "SourceSafe call failed with status 0x%08X",
                  static_cast<unsigned>(status));
    throw EVssError(text, status);
}

namespace {

// Raises when a wrapper is used without an object, instead of crashing.
template <class T> T* need(const com::ComPtr<T>& p) {
    if (!p)
        throw EVssError("No SourceSafe object", com::E_POINTER);
    return p.get();
}

template <class T, class Getter> std::string readString(const com::ComPtr<T>& p, Getter getter) {
    std::u16string value;
    OleCheck((need(p)->*getter)(&value));
    return narrow(value);
}

template <class T, class V, class Getter> V readValue(const com::ComPtr<T>& p, Getter getter) {
    V value{};
    OleCheck((need(p)->*getter)(&value));
    return value;
}

} // namespace

std::int32_t VssVersion::versionNumber() const {
    return readValue<vss::IVSSVersion, std::int32_t>(p_, &vss::IVSSVersion::get_VersionNumber);
}
std::string VssVersion::userName() const {
    return readString(p_, &vss::IVSSVersion::get_UserName);
}
std::int64_t VssVersion::date() const {
    return readValue<vss::IVSSVersion, std::int64_t>(p_, &vss::IVSSVersion::get_Date);
}
std::string VssVersion::action() const {
    return readString(p_, &vss::IVSSVersion::get_Action);
}
std::string VssVersion::comment() const {
    return readString(p_, &vss::IVSSVersion::get_Comment);
}
std::string VssVersion::label() const {
    return readString(p_, &vss::IVSSVersion::get_Label);
}

std::int32_t VssVersions::count() const {
    return readValue<vss::IVSSVersions, std::int32_t>(p_, &vss::IVSSVersions::get_Count);
}
VssVersion VssVersions::item(std::int32_t index) const {
    com::ComPtr<vss::IVSSVersion> v;
    OleCheck(need(p_)->get_Item(index, v.put()));
    return VssVersion(std::move(v));
}

std::int32_t VssItems::count() const {
    return readValue<vss::IVSSItems, std::int32_t>(p_, &vss::IVSSItems::get_Count);
}
VssItem VssItems::item(std::int32_t index) const {
    com::ComPtr<vss::IVSSItem> i;
    OleCheck(need(p_)->get_Item(com::Variant(index), i.put()));
    return VssItem(std::move(i));
}
VssItem VssItems::item(const std::string& name) const {
    com::ComPtr<vss::IVSSItem> i;
    OleCheck(need(p_)->get_Item(com::Variant(widen(name)), i.put()));
    return VssItem(std::move(i));
}

std::string VssItem::spec() const {
    return readString(p_, &vss::IVSSItem::get_Spec);
}
std::string VssItem::name() const {
    return readString(p_, &vss::IVSSItem::get_Name);
}
std::string VssItem::localSpec() const {
    return readString(p_, &vss::IVSSItem::get_LocalSpec);
}
void VssItem::setLocalSpec(const std::string& folder) const {
    OleCheck(need(p_)->put_LocalSpec(widen(folder)));
}
std::int32_t VssItem::type() const {
    return readValue<vss::IVSSItem, std::int32_t>(p_, &vss::IVSSItem::get_Type);
}
std::int32_t VssItem::isCheckedOut() const {
    return readValue<vss::IVSSItem, std::int32_t>(p_, &vss::IVSSItem::get_IsCheckedOut);
}
bool VssItem::binary() const {
    return readValue<vss::IVSSItem, com::VARIANT_BOOL>(p_, &vss::IVSSItem::get_Binary) != 0;
}
bool VssItem::deleted() const {
    return readValue<vss::IVSSItem, com::VARIANT_BOOL>(p_, &vss::IVSSItem::get_Deleted) != 0;
}
void VssItem::setDeleted(bool deleted) const {
    OleCheck(need(p_)->put_Deleted(deleted ? com::kTrue : com::kFalse));
}
std::int32_t VssItem::versionNumber() const {
    return readValue<vss::IVSSItem, std::int32_t>(p_, &vss::IVSSItem::get_VersionNumber);
}
VssItem VssItem::parent() const {
    com::ComPtr<vss::IVSSItem> i;
    OleCheck(need(p_)->get_Parent(i.put()));
    return VssItem(std::move(i));
}
VssItems VssItem::items(bool includeDeleted) const {
    com::ComPtr<vss::IVSSItems> i;
    OleCheck(need(p_)->get_Items(includeDeleted ? com::kTrue : com::kFalse, i.put()));
    return VssItems(std::move(i));
}
VssVersions VssItem::versions(std::int32_t flags) const {
    com::ComPtr<vss::IVSSVersions> v;
    OleCheck(need(p_)->get_Versions(flags, v.put()));
    return VssVersions(std::move(v));
}

std::string VssItem::readVersion(std::int32_t number) const {
    com::ComPtr<vss::IVSSFileContent> content;
    need(p_);
    if (!com::succeeded(p_.queryInto(content)) || !content)
        throw EVssError("This SourceSafe server cannot read stored versions.", com::E_NOINTERFACE);
    std::string bytes;
    OleCheck(content->ReadVersion(number, &bytes));
    return bytes;
}

std::vector<VssChildStatus> VssItem::childStatus(bool includeDeleted) const {
    com::ComPtr<vss::IVSSProjectStatus> status;
    need(p_);
    if (!com::succeeded(p_.queryInto(status)) || !status)
        throw EVssError("This SourceSafe server cannot list a project's check-outs.",
                        com::E_NOINTERFACE);
    std::vector<vss::VSSChildStatus> wide;
    OleCheck(status->ListChildren(includeDeleted ? com::kTrue : com::kFalse, &wide));
    std::vector<VssChildStatus> children;
    children.reserve(wide.size());
    for (const vss::VSSChildStatus& child : wide)
        children.push_back({narrow(child.name), child.type, child.deleted != 0,
                            narrow(child.checkoutUser), narrow(child.checkoutLocalSpec),
                            child.date});
    return children;
}

void VssItem::get(std::string& local, std::int32_t flags) const {
    std::u16string path = widen(local);
    OleCheck(need(p_)->Get(&path, flags));
    local = narrow(path);
}
void VssItem::checkout(const std::string& comment, const std::string& local,
                       std::int32_t flags) const {
    OleCheck(need(p_)->Checkout(widen(comment), widen(local), flags));
}
void VssItem::checkin(const std::string& comment, const std::string& local,
                      std::int32_t flags) const {
    OleCheck(need(p_)->Checkin(widen(comment), widen(local), flags));
}
void VssItem::undoCheckout(const std::string& local, std::int32_t flags) const {
    OleCheck(need(p_)->UndoCheckout(widen(local), flags));
}
VssItem VssItem::add(const std::string& local, const std::string& comment,
                     std::int32_t flags) const {
    com::ComPtr<vss::IVSSItem> i;
    OleCheck(need(p_)->Add(widen(local), widen(comment), flags, i.put()));
    return VssItem(std::move(i));
}
VssItem VssItem::newSubproject(const std::string& name, const std::string& comment) const {
    com::ComPtr<vss::IVSSItem> i;
    OleCheck(need(p_)->NewSubproject(widen(name), widen(comment), i.put()));
    return VssItem(std::move(i));
}
void VssItem::share(const VssItem& item, const std::string& comment, std::int32_t flags) const {
    OleCheck(need(p_)->Share(item.raw(), widen(comment), flags));
}

void VssDatabase::open(const std::string& iniPath, const std::string& user,
                       const std::string& password) const {
    OleCheck(need(p_)->Open(widen(iniPath), widen(user), widen(password)));
}
VssItem VssDatabase::item(const std::string& spec, bool includeDeleted) const {
    com::ComPtr<vss::IVSSItem> i;
    OleCheck(
        need(p_)->get_VSSItem(widen(spec), includeDeleted ? com::kTrue : com::kFalse, i.put()));
    return VssItem(std::move(i));
}
std::string VssDatabase::userName() const {
    return readString(p_, &vss::IVSSDatabase::get_UserName);
}
std::string VssDatabase::srcSafeIni() const {
    return readString(p_, &vss::IVSSDatabase::get_SrcSafeIni);
}

std::string VssDatabase::databaseName() const {
    return readString(p_, &vss::IVSSDatabase::get_DatabaseName);
}

VssRun::VssRun(const VssDatabase& database) {
    vss::IVSSDatabase* server = database.raw();
    if (server == nullptr)
        throw EVssError("No SourceSafe object", com::E_POINTER);
    com::ComPtr<vss::IVSSRun> run;
    if (com::failed(server->QueryInterface(vss::IVSSRun::kIid, run.putVoid())) || !run)
        return;
    OleCheck(run->BeginRun());
    p_ = std::move(run);
    if (com::failed(server->QueryInterface(vss::IVSSCopyAhead::kIid, ahead_.putVoid())))
        ahead_.reset();
}

VssRun::~VssRun() {
    if (p_ && com::failed(p_->EndRun()))
        com::takeErrorInfo(); // the failure that left the run open is the one to report
}

void VssRun::announce(vss::VSSCopyCall call, const std::vector<std::string>& specs,
                      std::int32_t flags) {
    if (!p_ || !ahead_)
        return;
    std::vector<std::u16string> wide;
    wide.reserve(specs.size());
    for (const std::string& spec : specs)
        wide.push_back(widen(spec));
    OleCheck(ahead_->Announce(call, wide, flags));
}

void VssRun::finish() {
    ahead_.reset();
    if (!p_)
        return;
    const com::ComPtr<vss::IVSSRun> run = std::move(p_);
    OleCheck(run->EndRun());
}

VssDatabase CoVSSDatabase::Create() {
    com::ComPtr<vss::IVSSDatabase> database;
    OleCheck(com::createInstance(vss::CLSID_VSSDatabase, database));
    return VssDatabase(std::move(database));
}
