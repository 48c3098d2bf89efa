#include "FakeHost.h"

#include <algorithm>

namespace testenv {

namespace {

class FakeModule : public TIModuleInterface {
public:
    explicit FakeModule(std::vector<std::string>& calls) : calls_(calls) {}

    bool Save(bool forceSave) override {
        calls_.push_back(forceSave ? "Module.Save(true)" : "Module.Save(false)");
        return true;
    }
    bool ShowSource() override {
        calls_.push_back("Module.ShowSource");
        return true;
    }
    int Release() override {
        calls_.push_back("Module.Release");
        return TIModuleInterface::Release();
    }

private:
    std::vector<std::string>& calls_;
};

} // namespace

THandle FakeHost::GetParentHandle() {
    calls.push_back("GetParentHandle");
    return parentHandle;
}

std::string FakeHost::GetProjectName() {
    calls.push_back("GetProjectName");
    return projectName;
}

std::string FakeHost::GetCurrentFile() {
    calls.push_back("GetCurrentFile");
    return currentFile;
}

TIModuleInterface* FakeHost::GetModuleInterface(const std::string& fileName) {
    calls.push_back("GetModuleInterface(" + fileName + ")");
    if (modules.count(fileName) == 0)
        return nullptr;
    return new FakeModule(calls);
}

bool FakeHost::AddNotifier(TIAddInNotifier* notifier) {
    calls.push_back("AddNotifier");
    notifiers.push_back(notifier);
    return true;
}

bool FakeHost::RemoveNotifier(TIAddInNotifier* notifier) {
    calls.push_back("RemoveNotifier");
    const auto found = std::find(notifiers.begin(), notifiers.end(), notifier);
    if (found == notifiers.end())
        return false;
    notifiers.erase(found);
    return true;
}

int FakeHost::GetVersion() {
    calls.push_back("GetVersion");
    return version;
}

int FakeHost::callCount(const std::string& name) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), name));
}

} // namespace testenv
