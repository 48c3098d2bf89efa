// A fake of the host IDE's tool services: settable answers, and a log of every call the add-in
// makes, in order.
#pragma once

#include "ToolIntf.h"

#include <set>
#include <string>
#include <vector>

namespace testenv {

class FakeHost : public TIToolServices {
public:
    FakeHost() = default;
    ~FakeHost() override = default;

    THandle GetParentHandle() override;
    std::string GetProjectName() override;
    std::string GetCurrentFile() override;
    TIModuleInterface* GetModuleInterface(const std::string& fileName) override;
    bool AddNotifier(TIAddInNotifier* notifier) override;
    bool RemoveNotifier(TIAddInNotifier* notifier) override;
    int GetVersion() override;

    // The host's reference count is never dropped by the add-in (the object is borrowed).
    int refCount() const { return RefCount; }

    // Answers.
    THandle parentHandle = 0;
    std::string projectName;
    std::string currentFile;
    int version = 3;
    std::set<std::string> modules; // files the host has a module for

    // Every call, e.g. "GetProjectName", "AddNotifier", "Module.Save(true)", "Module.Release".
    std::vector<std::string> calls;
    std::vector<TIAddInNotifier*> notifiers; // registered now
    int callCount(const std::string& name) const;
    void clearCalls() { calls.clear(); }
};

} // namespace testenv
