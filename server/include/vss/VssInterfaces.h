// The SourceSafe automation interfaces, published by the server and included by its callers.
// Strings are UTF-16, booleans 0/-1; every call returns a status and, on failure, sets the
// error description (com::takeErrorInfo). Published interfaces are frozen: a new need gets a
// new interface with a new identifier.
#pragma once

#include <com/Com.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vss {

using com::HRESULT;
using com::VARIANT_BOOL;

inline constexpr com::CLSID CLSID_VSSDatabase = com::guid("783CD4E4-9D54-11CF-B8EE-00608CC9A71F");

// Flag values; a flags argument is the plain sum of at most one value per group, 0 = default.
enum Flags : std::int32_t {
    // read-only state of the local copy
    FlagWritable = 1,
    FlagReadOnly = 2,
    // local time stamp
    FlagTimeCurrent = 4,
    FlagTimeModification = 8,
    FlagTimeCheckIn = 12,
    // a writable local file that differs
    FlagReplace = 128,
    FlagSkip = 192,
    FlagMerge = 256,
    // compare local files by
    FlagCompareContents = 512,
    FlagCompareTime = 1024,
    FlagCompareChecksum = 1536,
    // recursion into subprojects
    FlagRecursiveNo = 4096,
    FlagRecursiveYes = 8192,
    // the local copy at undo check out
    FlagLeaveLocal = 262144,
    FlagReplaceLocal = 786432,
    // unchanged files at check in / undo check out
    FlagCheckInUnchanged = 33554432,
    FlagUndoUnchanged = 50331648,
    // local copy at check out
    FlagGetLocal = 67108864,
    FlagDontGetLocal = 134217728,
};

// Group masks, for taking one group's value out of a sum.
inline constexpr std::int32_t kMaskReadOnly = 3;
inline constexpr std::int32_t kMaskTime = 12;
inline constexpr std::int32_t kMaskReplace = 448;
inline constexpr std::int32_t kMaskCompare = 1536;
inline constexpr std::int32_t kMaskRecursive = 12288;
inline constexpr std::int32_t kMaskLocalCopy = 786432;
inline constexpr std::int32_t kMaskUnchanged = 50331648;
inline constexpr std::int32_t kMaskGetLocal = 201326592;

// get_Type
inline constexpr std::int32_t kTypeProject = 0;
inline constexpr std::int32_t kTypeFile = 1;

// get_IsCheckedOut
inline constexpr std::int32_t kNotCheckedOut = 0;
inline constexpr std::int32_t kCheckedOutOther = 1;
inline constexpr std::int32_t kCheckedOutMe = 2;

class IVSSItem;
class IVSSItems;
class IVSSVersion;
class IVSSVersions;

class IVSSDatabase : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("783CD4E2-9D54-11CF-B8EE-00608CC9A71F");

    // Empty ini: $SSDIR, else the registered current database, else the first registered one.
    // Empty user: $SSUSER, else the logon name.
    virtual HRESULT Open(const std::u16string& iniPath, const std::u16string& user,
                         const std::u16string& password) = 0;
    virtual HRESULT get_VSSItem(const std::u16string& spec, VARIANT_BOOL includeDeleted,
                                IVSSItem** item) = 0;
    virtual HRESULT get_UserName(std::u16string* name) = 0;
    virtual HRESULT get_SrcSafeIni(std::u16string* path) = 0;
    virtual HRESULT get_DatabaseName(std::u16string* name) = 0;
};

class IVSSItem : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D01");

    virtual HRESULT get_Spec(std::u16string* spec) = 0;
    virtual HRESULT get_Name(std::u16string* name) = 0;
    virtual HRESULT get_LocalSpec(std::u16string* local) = 0;
    virtual HRESULT put_LocalSpec(const std::u16string& folder) = 0;
    virtual HRESULT get_Type(std::int32_t* type) = 0;
    virtual HRESULT get_IsCheckedOut(std::int32_t* state) = 0;
    virtual HRESULT get_Binary(VARIANT_BOOL* binary) = 0;
    virtual HRESULT get_Deleted(VARIANT_BOOL* deleted) = 0;
    virtual HRESULT put_Deleted(VARIANT_BOOL deleted) = 0;
    virtual HRESULT get_VersionNumber(std::int32_t* number) = 0;
    virtual HRESULT get_Parent(IVSSItem** parent) = 0;
    virtual HRESULT get_Items(VARIANT_BOOL includeDeleted, IVSSItems** items) = 0;
    virtual HRESULT get_Versions(std::int32_t flags, IVSSVersions** versions) = 0;

    virtual HRESULT Get(std::u16string* local, std::int32_t flags) = 0;
    virtual HRESULT Checkout(const std::u16string& comment, const std::u16string& local,
                             std::int32_t flags) = 0;
    virtual HRESULT Checkin(const std::u16string& comment, const std::u16string& local,
                            std::int32_t flags) = 0;
    virtual HRESULT UndoCheckout(const std::u16string& local, std::int32_t flags) = 0;
    virtual HRESULT Add(const std::u16string& local, const std::u16string& comment,
                        std::int32_t flags, IVSSItem** item) = 0;
    virtual HRESULT NewSubproject(const std::u16string& name, const std::u16string& comment,
                                  IVSSItem** project) = 0;
    virtual HRESULT Share(IVSSItem* item, const std::u16string& comment, std::int32_t flags) = 0;
};

// A snapshot of a project's children, taken once, in the order they were added.
class IVSSItems : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D02");

    virtual HRESULT get_Count(std::int32_t* count) = 0;
    // A 1-based integer index or a child's name (without regard to case).
    virtual HRESULT get_Item(const com::Variant& index, IVSSItem** item) = 0;
};

class IVSSVersion : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D03");

    virtual HRESULT get_VersionNumber(std::int32_t* number) = 0;
    virtual HRESULT get_UserName(std::u16string* user) = 0;
    virtual HRESULT get_Date(std::int64_t* unixSeconds) = 0;
    virtual HRESULT get_Action(std::u16string* action) = 0;
    virtual HRESULT get_Comment(std::u16string* comment) = 0;
    virtual HRESULT get_Label(std::u16string* label) = 0;
};

// Reading a file's stored versions without writing a local copy or recording one: an interface
// added beside IVSSItem (which stays as published), obtained from an item by QueryInterface.
class IVSSFileContent : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D10");

    // The bytes of version `number` of the file (0: the latest content), at most 64 MiB.
    virtual HRESULT ReadVersion(std::int32_t number, std::string* content) = 0;
};

// One child of a project with its check-out state, as a listing of the project shows it.
struct VSSChildStatus {
    std::u16string name;
    std::int32_t type = kTypeFile;
    VARIANT_BOOL deleted = 0;
    std::u16string checkoutUser;      // empty when nobody has it checked out
    std::u16string checkoutLocalSpec; // the local copy the check-out was made to
    std::int64_t date =
        0; // unix seconds: the check-out's when checked out, else the latest version's
};

// A project's children with their check-out state in one call, so that a listing of a large
// project costs one read: an interface added beside IVSSItem, obtained from a project item by
// QueryInterface.
class IVSSProjectStatus : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D11");

    // In the order the children were added; deleted ones only with includeDeleted.
    virtual HRESULT ListChildren(VARIANT_BOOL includeDeleted,
                                 std::vector<VSSChildStatus>* children) = 0;
};

// A run of many calls from one caller, such as a dialog acting on each of the files a user
// selected: an interface added beside IVSSDatabase (which stays as published), obtained from
// the database object by QueryInterface. Inside a run, check-outs, check-ins and the like
// commit without waiting for the disk, safe against the death of a process but not against a
// power cut; the run's end takes all of them to disk at once. Outside a run every call is on
// disk before it returns.
class IVSSRun : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D12");

    // Begins a run; runs nest.
    virtual HRESULT BeginRun() = 0;
    // Ends the run begun last. Ending the outermost one returns once every change made in it
    // is on disk, and fails when that cannot be done.
    virtual HRESULT EndRun() = 0;
};

// Calls of a run that write local copies, announced before them in the order they will follow:
// the server may write the copies ahead on another thread, so that each call has only to give
// its copy a name. An announcement changes nothing by itself, and a call that no announcement
// matches is made as always. Obtained from the database object by QueryInterface; outside a
// run, announcements are ignored.
enum VSSCopyCall : std::int32_t { VSSCopyGet = 0, VSSCopyUndoCheckout = 1 };

class IVSSCopyAhead : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D13");

    // Calls of the kind `call` on the files at `specs`, in that order, each with these flags and
    // the file's local spec as its local path.
    virtual HRESULT Announce(std::int32_t call, const std::vector<std::u16string>& specs,
                             std::int32_t flags) = 0;
};

// An item's history, newest version first.
class IVSSVersions : public com::IUnknown {
public:
    static constexpr com::IID kIid = com::guid("5A8C1E71-3B2D-4F60-9C4E-7D1A2B3C4D04");

    virtual HRESULT get_Count(std::int32_t* count) = 0;
    virtual HRESULT get_Item(std::int32_t index, IVSSVersion** version) = 0; // 1-based
};

} // namespace vss
