#include "FakeVss.h"

#include <algorithm>
#include <cctype>

namespace testenv {

namespace {

using com::HRESULT;
using com::narrow;
using com::VARIANT_BOOL;
using com::widen;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const FakeVssState::Item* findItem(const FakeVssState& state, const std::string& spec) {
    for (const auto& [key, item] : state.items)
        if (lower(key) == lower(spec))
            return &item;
    return nullptr;
}

HRESULT notImplemented() {
    return com::reportError(com::E_NOTIMPL, u"Not implemented by the fake");
}

std::string parentOf(const std::string& spec) {
    const std::size_t slash = spec.find_last_of('/');
    return slash == std::string::npos ? std::string() : spec.substr(0, slash);
}

// Counts itself among the live objects of the state.
class Tracked {
protected:
    explicit Tracked(std::shared_ptr<FakeVssState> state) : state_(std::move(state)) {
        ++state_->liveObjects;
    }
    ~Tracked() { --state_->liveObjects; }

    std::shared_ptr<FakeVssState> state_;
};

class FakeItem : public com::Implements<vss::IVSSItem>, private Tracked {
public:
    FakeItem(std::shared_ptr<FakeVssState> state, std::string spec)
        : Tracked(std::move(state)), spec_(std::move(spec)) {}

    HRESULT get_Spec(std::u16string* spec) override {
        *spec = widen(spec_);
        return com::S_OK;
    }
    HRESULT get_Name(std::u16string* name) override {
        *name = widen(spec_.substr(spec_.find_last_of('/') + 1));
        return com::S_OK;
    }
    HRESULT get_LocalSpec(std::u16string* local) override {
        *local = widen(item().localSpec);
        return com::S_OK;
    }
    HRESULT put_LocalSpec(const std::u16string& folder) override {
        state_->items[spec_].localSpec = narrow(folder);
        return com::S_OK;
    }
    HRESULT get_Type(std::int32_t* type) override {
        *type = item().type;
        return com::S_OK;
    }
    HRESULT get_IsCheckedOut(std::int32_t* state) override {
        *state = item().checkedOut;
        return com::S_OK;
    }
    HRESULT get_Binary(VARIANT_BOOL*) override { return notImplemented(); }
    HRESULT get_Deleted(VARIANT_BOOL*) override { return notImplemented(); }
    HRESULT put_Deleted(VARIANT_BOOL) override { return notImplemented(); }
    HRESULT get_VersionNumber(std::int32_t*) override { return notImplemented(); }
    HRESULT get_Parent(vss::IVSSItem**) override { return notImplemented(); }
    HRESULT get_Items(VARIANT_BOOL, vss::IVSSItems** items) override;
    HRESULT get_Versions(std::int32_t, vss::IVSSVersions**) override { return notImplemented(); }
    HRESULT Get(std::u16string* local, std::int32_t flags) override {
        state_->gets.push_back({spec_, narrow(*local), flags});
        if (!state_->getError.empty())
            return com::reportError(com::E_FAIL, widen(state_->getError));
        return com::S_OK;
    }
    HRESULT Checkout(const std::u16string&, const std::u16string&, std::int32_t) override {
        return notImplemented();
    }
    HRESULT Checkin(const std::u16string&, const std::u16string&, std::int32_t) override {
        return notImplemented();
    }
    HRESULT UndoCheckout(const std::u16string&, std::int32_t) override { return notImplemented(); }
    HRESULT Add(const std::u16string&, const std::u16string&, std::int32_t,
                vss::IVSSItem**) override {
        return notImplemented();
    }
    HRESULT NewSubproject(const std::u16string&, const std::u16string&, vss::IVSSItem**) override {
        return notImplemented();
    }
    HRESULT Share(vss::IVSSItem*, const std::u16string&, std::int32_t) override {
        return notImplemented();
    }

private:
    const FakeVssState::Item& item() const {
        static const FakeVssState::Item none;
        const FakeVssState::Item* found = findItem(*state_, spec_);
        return found ? *found : none;
    }

    std::string spec_;
};

// A snapshot of a project's children, taken when it is made.
class FakeItems : public com::Implements<vss::IVSSItems>, private Tracked {
public:
    FakeItems(std::shared_ptr<FakeVssState> state, const std::string& parent)
        : Tracked(std::move(state)) {
        for (const auto& entry : state_->items)
            if (lower(parentOf(entry.first)) == lower(parent))
                children_.push_back(entry.first);
    }

    HRESULT get_Count(std::int32_t* count) override {
        *count = static_cast<std::int32_t>(children_.size());
        return com::S_OK;
    }
    HRESULT get_Item(const com::Variant& index, vss::IVSSItem** item) override {
        *item = nullptr;
        if (index.kind == com::Variant::Kind::Integer) {
            if (index.integer < 1 || static_cast<std::size_t>(index.integer) > children_.size())
                return com::reportError(com::E_INVALIDARG, u"No item at that index");
            *item = new FakeItem(state_, children_[static_cast<std::size_t>(index.integer) - 1]);
            return com::S_OK;
        }
        const std::string name = lower(narrow(index.string));
        for (const std::string& child : children_)
            if (lower(child.substr(child.find_last_of('/') + 1)) == name) {
                *item = new FakeItem(state_, child);
                return com::S_OK;
            }
        return com::reportError(com::E_FAIL, u"No item of that name");
    }

private:
    std::vector<std::string> children_;
};

HRESULT FakeItem::get_Items(VARIANT_BOOL, vss::IVSSItems** items) {
    *items = new FakeItems(state_, spec_);
    return com::S_OK;
}

class FakeDatabase : public com::Implements<vss::IVSSDatabase>, private Tracked {
public:
    explicit FakeDatabase(std::shared_ptr<FakeVssState> state) : Tracked(std::move(state)) {}

    HRESULT Open(const std::u16string& iniPath, const std::u16string& user,
                 const std::u16string& password) override {
        const FakeVssState::OpenCall call{narrow(iniPath), narrow(user), narrow(password)};
        state_->opens.push_back(call);
        const std::string error = state_->openPolicy ? state_->openPolicy(call) : std::string();
        if (!error.empty())
            return com::reportError(com::E_FAIL, widen(error));
        open_ = true;
        return com::S_OK;
    }
    HRESULT get_VSSItem(const std::u16string& spec, VARIANT_BOOL, vss::IVSSItem** item) override {
        *item = nullptr;
        const std::string text = narrow(spec);
        state_->lookups.push_back(text);
        if (!open_)
            return com::reportError(com::E_FAIL, u"The database is not open");
        if (findItem(*state_, text) == nullptr)
            return com::reportError(com::E_FAIL,
                                    widen(text + " is not an existing filename or project"));
        *item = new FakeItem(state_, text);
        return com::S_OK;
    }
    HRESULT get_UserName(std::u16string*) override { return notImplemented(); }
    HRESULT get_SrcSafeIni(std::u16string*) override { return notImplemented(); }
    HRESULT get_DatabaseName(std::u16string*) override { return notImplemented(); }

private:
    bool open_ = false;
};

} // namespace

void FakeVssState::addProject(const std::string& spec, const std::string& localSpec) {
    items[spec] = Item{vss::kTypeProject, localSpec};
}

void FakeVssState::addFile(const std::string& spec, const std::string& localSpec) {
    items[spec] = Item{vss::kTypeFile, localSpec};
}

FakeVssServer::FakeVssServer() : state_(std::make_shared<FakeVssState>()) {
    std::weak_ptr<FakeVssState> weak = state_;
    com::registerInProcessFactory(vss::CLSID_VSSDatabase, [weak](const com::IID& iid, void** out) {
        *out = nullptr;
        const auto state = weak.lock();
        if (!state)
            return com::reportError(com::CLASS_E_CLASSNOTAVAILABLE, u"The fake server has ended");
        if (!state->createError.empty())
            return com::reportError(com::REGDB_E_CLASSNOTREG, widen(state->createError));
        ++state->databasesCreated;
        auto* database = new FakeDatabase(state);
        const HRESULT hr = database->QueryInterface(iid, out);
        database->Release();
        return hr;
    });
}

FakeVssServer::~FakeVssServer() {
    com::unregisterInProcessFactory(vss::CLSID_VSSDatabase);
}

} // namespace testenv
