// The automation boundary on the add-in side: creating the database object by class identifier,
// and thin typed wrappers over the interfaces that turn a failing status into an EVssError
// carrying the server's description. Strings are UTF-8 here and widened only at the call.
#pragma once

#include <vss/VssInterfaces.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A failed automation call; the message is the server's error description.
class EVssError : public std::runtime_error {
public:
    EVssError(const std::string& message, com::HRESULT status)
        : std::runtime_error(message), status_(status) {}
    com::HRESULT status() const { return status_; }

private:
    com::HRESULT status_;
};

// Raises EVssError for a failing status, with the thread's error description (or a generic
// text naming the status when the server set none).
void OleCheck(com::HRESULT status);

class VssItem;
class VssItems;
class VssVersions;

// One child of a project with its check-out state (see IVSSProjectStatus).
struct VssChildStatus {
    std::string name;
    std::int32_t type = vss::kTypeFile;
    bool deleted = false;
    std::string checkoutUser; // empty: not checked out
    std::string checkoutLocalSpec;
    std::int64_t date = 0;
};

class VssVersion {
public:
    VssVersion() = default;
    explicit VssVersion(com::ComPtr<vss::IVSSVersion> p) : p_(std::move(p)) {}
    std::int32_t versionNumber() const;
    std::string userName() const;
    std::int64_t date() const;
    std::string action() const;
    std::string comment() const;
    std::string label() const;
    vss::IVSSVersion* raw() const { return p_.get(); }

private:
    com::ComPtr<vss::IVSSVersion> p_;
};

class VssVersions {
public:
    VssVersions() = default;
    explicit VssVersions(com::ComPtr<vss::IVSSVersions> p) : p_(std::move(p)) {}
    std::int32_t count() const;
    VssVersion item(std::int32_t index) const; // 1-based

private:
    com::ComPtr<vss::IVSSVersions> p_;
};

class VssItems {
public:
    VssItems() = default;
    explicit VssItems(com::ComPtr<vss::IVSSItems> p) : p_(std::move(p)) {}
    std::int32_t count() const;
    VssItem item(std::int32_t index) const;      // 1-based
    VssItem item(const std::string& name) const; // by name
    vss::IVSSItems* raw() const { return p_.get(); }
    explicit operator bool() const { return bool(p_); }

private:
    com::ComPtr<vss::IVSSItems> p_;
};

class VssItem {
public:
    VssItem() = default;
    explicit VssItem(com::ComPtr<vss::IVSSItem> p) : p_(std::move(p)) {}

    std::string spec() const;
    std::string name() const;
    std::string localSpec() const;
    void setLocalSpec(const std::string& folder) const;
    std::int32_t type() const;
    std::int32_t isCheckedOut() const;
    bool binary() const;
    bool deleted() const;
    void setDeleted(bool deleted) const;
    std::int32_t versionNumber() const;
    VssItem parent() const;
    VssItems items(bool includeDeleted) const;
    VssVersions versions(std::int32_t flags = 0) const;
    // The content of a file's version (0: the latest), read without a local copy. Raises when
    // the server cannot read stored versions.
    std::string readVersion(std::int32_t number) const;
    // A project's children with their check-out state, in one read. Raises when the server
    // cannot list them.
    std::vector<VssChildStatus> childStatus(bool includeDeleted) const;

    // local is passed in and out.
    void get(std::string& local, std::int32_t flags) const;
    void checkout(const std::string& comment, const std::string& local, std::int32_t flags) const;
    void checkin(const std::string& comment, const std::string& local, std::int32_t flags) const;
    void undoCheckout(const std::string& local, std::int32_t flags) const;
    VssItem add(const std::string& local, const std::string& comment, std::int32_t flags) const;
    VssItem newSubproject(const std::string& name, const std::string& comment) const;
    void share(const VssItem& item, const std::string& comment, std::int32_t flags) const;

    vss::IVSSItem* raw() const { return p_.get(); }
    explicit operator bool() const { return bool(p_); }
    void reset() { p_.reset(); }

private:
    com::ComPtr<vss::IVSSItem> p_;
};

class VssDatabase {
public:
    VssDatabase() = default;
    explicit VssDatabase(com::ComPtr<vss::IVSSDatabase> p) : p_(std::move(p)) {}

    void open(const std::string& iniPath, const std::string& user,
              const std::string& password) const;
    VssItem item(const std::string& spec, bool includeDeleted = false) const;
    std::string userName() const;
    std::string srcSafeIni() const;
    std::string databaseName() const;

    vss::IVSSDatabase* raw() const { return p_.get(); }
    explicit operator bool() const { return bool(p_); }
    void reset() { p_.reset(); }

private:
    com::ComPtr<vss::IVSSDatabase> p_;
};

// A run of many calls on one database, whose changes the server may take to disk together
// when it ends (IVSSRun); with a server that has no runs, each call is on disk by itself.
class VssRun {
public:
    // Begins a run; raises EVssError when the server refuses it.
    explicit VssRun(const VssDatabase& database);
    // Ends a run that finish() did not end, as a failure leaves it, without raising.
    ~VssRun();
    VssRun(const VssRun&) = delete;
    VssRun& operator=(const VssRun&) = delete;

    // Ends the run; returns once its changes are on disk, raises EVssError when they cannot be.
    void finish();

    // Tells the server which calls are to follow, in order, after those announced before (see
    // IVSSCopyAhead), so that it may write their copies ahead; nothing with a server that cannot.
    void announce(vss::VSSCopyCall call, const std::vector<std::string>& specs, std::int32_t flags);

private:
    com::ComPtr<vss::IVSSRun> p_;
    com::ComPtr<vss::IVSSCopyAhead> ahead_;
};

// Creates the database object from CLSID_VSSDatabase and obtains IVSSDatabase; either failing
// raises EVssError with the COM description.
class CoVSSDatabase {
public:
    static VssDatabase Create();
};
