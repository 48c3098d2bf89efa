#include "ToolServices.h"

#include "ModuleInterface.h"

#include <algorithm>

ToolServices::ToolServices(HostView& view) : view_(view) {}

ToolServices::~ToolServices() {
    releaseNotifiers();
}

THandle ToolServices::GetParentHandle() {
    return view_.windowHandle();
}

std::string ToolServices::GetProjectName() {
    return view_.projectFile().toStdString();
}

std::string ToolServices::GetCurrentFile() {
    return view_.currentFile().toStdString();
}

TIModuleInterface* ToolServices::GetModuleInterface(const std::string& fileName) {
    if (fileName.empty())
        return nullptr;
    return new ModuleInterface(view_, QString::fromStdString(fileName));
}

bool ToolServices::AddNotifier(TIAddInNotifier* notifier) {
    if (notifier == nullptr ||
        std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end())
        return false;
    notifier->AddRef();
    notifiers_.push_back(notifier);
    return true;
}

bool ToolServices::RemoveNotifier(TIAddInNotifier* notifier) {
    const auto found = std::find(notifiers_.begin(), notifiers_.end(), notifier);
    if (found == notifiers_.end())
        return false;
    notifiers_.erase(found);
    notifier->Release();
    return true;
}

void ToolServices::notify(TFileNotification code, const std::string& fileName) {
    // A notifier may unregister itself (or another) while it is called: walk a copy, holding
    // a reference to each for the length of its call.
    const std::vector<TIAddInNotifier*> targets = notifiers_;
    for (TIAddInNotifier* notifier : targets) {
        if (std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end())
            continue;
        notifier->AddRef();
        struct Holder {
            TIAddInNotifier* object;
            ~Holder() { object->Release(); }
        } holder{notifier};
        bool cancel = false;
        notifier->FileNotification(code, fileName, cancel);
    }
}

void ToolServices::releaseNotifiers() {
    std::vector<TIAddInNotifier*> left;
    left.swap(notifiers_);
    for (TIAddInNotifier* notifier : left)
        notifier->Release();
}
