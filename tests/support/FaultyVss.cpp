#include "FaultyVss.h"

#include <utility>

namespace testenv {

using com::ComPtr;
using com::HRESULT;
using com::narrow;

void FaultPlan::fail(std::string method, std::string description, std::optional<std::string> item,
                     int onCall) {
    rules_.push_back({std::move(method), std::move(item), onCall, std::move(description), 0});
}

std::vector<FaultPlan::Call> FaultPlan::callsOf(const std::string& method) const {
    std::vector<Call> result;
    for (const Call& call : calls_)
        if (call.method == method)
            result.push_back(call);
    return result;
}

HRESULT FaultPlan::enter(Call call) {
    calls_.push_back(call);
    for (Rule& rule : rules_) {
        if (rule.method != call.method || (rule.item && *rule.item != call.item))
            continue;
        ++rule.seen;
        if (rule.onCall == 0 || rule.onCall == rule.seen)
            return com::reportError(com::E_FAIL, com::widen(rule.description));
    }
    return com::S_OK;
}

namespace {

using Plan = std::shared_ptr<FaultPlan>;

ComPtr<vss::IVSSItem> wrapItem(ComPtr<vss::IVSSItem> real, Plan plan);

class FaultyItems final : public com::Implements<vss::IVSSItems> {
public:
    FaultyItems(ComPtr<vss::IVSSItems> real, Plan plan)
        : real_(std::move(real)), plan_(std::move(plan)) {}

    HRESULT get_Count(std::int32_t* count) override {
        if (HRESULT hr = plan_->enter({"get_Count", {}, 0, {}, {}}); com::failed(hr))
            return hr;
        return real_->get_Count(count);
    }
    HRESULT get_Item(const com::Variant& index, vss::IVSSItem** item) override {
        const std::string key = index.kind == com::Variant::Kind::String
                                    ? narrow(index.string)
                                    : std::to_string(index.integer);
        if (HRESULT hr = plan_->enter({"get_Item", key, 0, {}, {}}); com::failed(hr))
            return hr;
        ComPtr<vss::IVSSItem> found;
        if (HRESULT hr = real_->get_Item(index, found.put()); com::failed(hr))
            return hr;
        *item = wrapItem(std::move(found), plan_).detach();
        return com::S_OK;
    }

private:
    ComPtr<vss::IVSSItems> real_;
    Plan plan_;
};

class FaultyItem final : public com::Implements<vss::IVSSItem> {
public:
    FaultyItem(ComPtr<vss::IVSSItem> real, Plan plan)
        : real_(std::move(real)), plan_(std::move(plan)) {}

    vss::IVSSItem* real() const { return real_.get(); }

    HRESULT get_Spec(std::u16string* spec) override {
        return forward("get_Spec", [&] { return real_->get_Spec(spec); });
    }
    HRESULT get_Name(std::u16string* name) override {
        return forward("get_Name", [&] { return real_->get_Name(name); });
    }
    HRESULT get_LocalSpec(std::u16string* local) override {
        return forward("get_LocalSpec", [&] { return real_->get_LocalSpec(local); });
    }
    HRESULT put_LocalSpec(const std::u16string& folder) override {
        return forward(
            "put_LocalSpec", [&] { return real_->put_LocalSpec(folder); }, 0, {}, narrow(folder));
    }
    HRESULT get_Type(std::int32_t* type) override {
        return forward("get_Type", [&] { return real_->get_Type(type); });
    }
    HRESULT get_IsCheckedOut(std::int32_t* state) override {
        return forward("get_IsCheckedOut", [&] { return real_->get_IsCheckedOut(state); });
    }
    HRESULT get_Binary(com::VARIANT_BOOL* binary) override {
        return forward("get_Binary", [&] { return real_->get_Binary(binary); });
    }
    HRESULT get_Deleted(com::VARIANT_BOOL* deleted) override {
        return forward("get_Deleted", [&] { return real_->get_Deleted(deleted); });
    }
    HRESULT put_Deleted(com::VARIANT_BOOL deleted) override {
        return forward(
            "put_Deleted", [&] { return real_->put_Deleted(deleted); }, deleted);
    }
    HRESULT get_VersionNumber(std::int32_t* number) override {
        return forward("get_VersionNumber", [&] { return real_->get_VersionNumber(number); });
    }
    HRESULT get_Parent(vss::IVSSItem** parent) override {
        return forward("get_Parent", [&] { return wrapped(real_->get_Parent(parent), parent); });
    }
    HRESULT get_Items(com::VARIANT_BOOL includeDeleted, vss::IVSSItems** items) override {
        return forward("get_Items", [&] {
            ComPtr<vss::IVSSItems> found;
            HRESULT hr = real_->get_Items(includeDeleted, found.put());
            if (com::succeeded(hr))
                *items = new FaultyItems(std::move(found), plan_);
            return hr;
        });
    }
    HRESULT get_Versions(std::int32_t flags, vss::IVSSVersions** versions) override {
        return forward(
            "get_Versions", [&] { return real_->get_Versions(flags, versions); }, flags);
    }
    HRESULT Get(std::u16string* local, std::int32_t flags) override {
        return forward(
            "Get", [&] { return real_->Get(local, flags); }, flags, {},
            local ? narrow(*local) : std::string());
    }
    HRESULT Checkout(const std::u16string& comment, const std::u16string& local,
                     std::int32_t flags) override {
        return forward(
            "Checkout", [&] { return real_->Checkout(comment, local, flags); }, flags,
            narrow(comment), narrow(local));
    }
    HRESULT Checkin(const std::u16string& comment, const std::u16string& local,
                    std::int32_t flags) override {
        return forward(
            "Checkin", [&] { return real_->Checkin(comment, local, flags); }, flags,
            narrow(comment), narrow(local));
    }
    HRESULT UndoCheckout(const std::u16string& local, std::int32_t flags) override {
        return forward(
            "UndoCheckout", [&] { return real_->UndoCheckout(local, flags); }, flags, {},
            narrow(local));
    }
    HRESULT Add(const std::u16string& local, const std::u16string& comment, std::int32_t flags,
                vss::IVSSItem** item) override {
        return forward(
            "Add", [&] { return wrapped(real_->Add(local, comment, flags, item), item); }, flags,
            narrow(comment), narrow(local));
    }
    HRESULT NewSubproject(const std::u16string& name, const std::u16string& comment,
                          vss::IVSSItem** project) override {
        return forward(
            "NewSubproject",
            [&] { return wrapped(real_->NewSubproject(name, comment, project), project); }, 0,
            narrow(comment), narrow(name));
    }
    HRESULT Share(vss::IVSSItem* item, const std::u16string& comment, std::int32_t flags) override {
        // The real server knows only its own objects.
        auto* faulty = dynamic_cast<FaultyItem*>(item);
        vss::IVSSItem* target = faulty ? faulty->real() : item;
        return forward(
            "Share", [&] { return real_->Share(target, comment, flags); }, flags, narrow(comment));
    }

private:
    std::string name() const {
        std::u16string name;
        real_->get_Name(&name);
        com::clearErrorInfo();
        return narrow(name);
    }
    template <class Call>
    HRESULT forward(const char* method, Call call, std::int32_t flags = 0, std::string comment = {},
                    std::string local = {}) {
        if (HRESULT hr =
                plan_->enter({method, name(), flags, std::move(comment), std::move(local)});
            com::failed(hr))
            return hr;
        return call();
    }
    // Wraps an item the real server handed out.
    HRESULT wrapped(HRESULT hr, vss::IVSSItem** item) {
        if (com::succeeded(hr) && item && *item)
            *item = wrapItem(ComPtr<vss::IVSSItem>::adopt(*item), plan_).detach();
        return hr;
    }

    ComPtr<vss::IVSSItem> real_;
    Plan plan_;
};

ComPtr<vss::IVSSItem> wrapItem(ComPtr<vss::IVSSItem> real, Plan plan) {
    return ComPtr<vss::IVSSItem>::adopt(new FaultyItem(std::move(real), std::move(plan)));
}

class FaultyDatabase final : public com::Implements<vss::IVSSDatabase, vss::IVSSRun> {
public:
    FaultyDatabase(ComPtr<vss::IVSSDatabase> real, Plan plan)
        : real_(std::move(real)), plan_(std::move(plan)) {}

    HRESULT Open(const std::u16string& iniPath, const std::u16string& user,
                 const std::u16string& password) override {
        if (HRESULT hr = plan_->enter({"Open", narrow(iniPath), 0, {}, {}}); com::failed(hr))
            return hr;
        return real_->Open(iniPath, user, password);
    }
    HRESULT get_VSSItem(const std::u16string& spec, com::VARIANT_BOOL includeDeleted,
                        vss::IVSSItem** item) override {
        if (HRESULT hr = plan_->enter({"get_VSSItem", narrow(spec), 0, {}, {}}); com::failed(hr))
            return hr;
        ComPtr<vss::IVSSItem> found;
        if (HRESULT hr = real_->get_VSSItem(spec, includeDeleted, found.put()); com::failed(hr))
            return hr;
        *item = wrapItem(std::move(found), plan_).detach();
        return com::S_OK;
    }
    HRESULT get_UserName(std::u16string* name) override { return real_->get_UserName(name); }
    HRESULT get_SrcSafeIni(std::u16string* path) override { return real_->get_SrcSafeIni(path); }
    HRESULT get_DatabaseName(std::u16string* name) override {
        return real_->get_DatabaseName(name);
    }
    HRESULT BeginRun() override { return forwardRun("BeginRun", &vss::IVSSRun::BeginRun); }
    HRESULT EndRun() override { return forwardRun("EndRun", &vss::IVSSRun::EndRun); }

private:
    HRESULT forwardRun(const char* method, HRESULT (vss::IVSSRun::*call)()) {
        if (HRESULT hr = plan_->enter({method, {}, 0, {}, {}}); com::failed(hr))
            return hr;
        ComPtr<vss::IVSSRun> run;
        if (HRESULT hr = real_.queryInto(run); com::failed(hr))
            return hr;
        return (run.get()->*call)();
    }

    ComPtr<vss::IVSSDatabase> real_;
    Plan plan_;
};

} // namespace

ComPtr<vss::IVSSDatabase> wrapDatabase(vss::IVSSDatabase* real, std::shared_ptr<FaultPlan> plan) {
    return ComPtr<vss::IVSSDatabase>::adopt(
        new FaultyDatabase(ComPtr<vss::IVSSDatabase>::share(real), std::move(plan)));
}

} // namespace testenv
