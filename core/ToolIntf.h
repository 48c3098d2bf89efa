// The host's abstract classes: the one boundary the host program and the add-in share.
// The host includes this header and nothing else of the add-in.
#pragma once

#include <cstdint>
#include <string>

// The base of every object that crosses the boundary. A new object has a count of one;
// Release destroys it at zero.
class TInterface {
public:
    TInterface() = default;
    TInterface(const TInterface&) = delete;
    TInterface& operator=(const TInterface&) = delete;

    virtual int AddRef() { return ++RefCount; }
    virtual int Release() {
        const int left = --RefCount;
        if (left == 0)
            delete this;
        return left;
    }
    virtual int GetVersion() { return 3; }

protected:
    virtual ~TInterface() = default;

    std::int32_t RefCount = 1;
};

// Releases a boundary object if the reference is not null.
inline void ReleaseInterface(TInterface* object) {
    if (object != nullptr)
        object->Release();
}

using THandle = std::uintptr_t;

// File notification codes the host delivers to add-in notifiers.
enum class TFileNotification : std::uint8_t {
    FileOpening = 0,
    FileOpened = 1,
    FileClosing = 2,
    ProjectOpening = 3,
    ProjectOpened = 4,
    ProjectClosing = 5,
    AddedToProject = 6,
    RemovedFromProject = 7,
    DefaultDesktopLoad = 8,
    DefaultDesktopSave = 9,
    ProjectDesktopLoad = 10,
    ProjectDesktopSave = 11,
};

enum class TEventNotification : std::uint8_t {
    BeforeCompile = 0,
    AfterCompile = 1,
};

// A host module (a unit open in the host), used by the add-in to save and show a file.
class TIModuleInterface : public TInterface {
public:
    virtual bool Save(bool forceSave) = 0;
    virtual bool ShowSource() = 0;
};

class TIAddInNotifier : public TInterface {
public:
    virtual void FileNotification(TFileNotification notifyCode, const std::string& fileName,
                                  bool& cancel) = 0;
    virtual void EventNotification(TEventNotification notifyCode, bool& cancel) = 0;
};

// The host tool services object handed to INITVCS0013. GetVersion is inherited.
class TIToolServices : public TInterface {
public:
    virtual THandle GetParentHandle() = 0;
    virtual std::string GetProjectName() = 0;
    virtual std::string GetCurrentFile() = 0;
    // A new module reference (count 1) that the caller releases; nullptr when the host has
    // no module for the file.
    virtual TIModuleInterface* GetModuleInterface(const std::string& fileName) = 0;
    virtual bool AddNotifier(TIAddInNotifier* notifier) = 0;
    virtual bool RemoveNotifier(TIAddInNotifier* notifier) = 0;
};

// The add-in's version-control client, driven by the host.
class TIVCSClient : public TInterface {
public:
    virtual std::string GetIDString() = 0;
    virtual void ExecuteVerb(int index) = 0;
    virtual std::string GetMenuName() = 0;
    virtual std::string GetVerb(int index) = 0;
    virtual int GetVerbCount() = 0;
    virtual std::uint16_t GetVerbState(int index) = 0;
    virtual void ProjectChange() = 0;
};

// Verb state bits.
inline constexpr std::uint16_t vsEnabled = 1;
inline constexpr std::uint16_t vsChecked = 2;

// The one export of an add-in library. Errors raised while the client is built leave the call
// as C++ exceptions derived from std::exception; the host then has no client.
extern "C" {
using TVCSManagerInitProc = TIVCSClient* (*)(TIToolServices* toolServices);
}
inline constexpr const char kVcsInitSymbol[] = "INITVCS0013";
