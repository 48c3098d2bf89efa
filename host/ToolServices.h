// The host's tool services: what the add-in may ask of the host, and the registered notifiers.
#pragma once

#include "HostView.h"
#include "ToolIntf.h"

#include <vector>

class ToolServices : public TIToolServices {
public:
    explicit ToolServices(HostView& view);

    THandle GetParentHandle() override;
    std::string GetProjectName() override;
    std::string GetCurrentFile() override;
    TIModuleInterface* GetModuleInterface(const std::string& fileName) override;
    // The host holds a reference to every registered notifier until it is removed.
    bool AddNotifier(TIAddInNotifier* notifier) override;
    bool RemoveNotifier(TIAddInNotifier* notifier) override;

    // Delivers a file notification to every notifier; errors leave to the caller.
    void notify(TFileNotification code, const std::string& fileName);
    std::size_t notifierCount() const { return notifiers_.size(); }
    // Drops the references of notifiers the add-in left registered (before it is unloaded).
    void releaseNotifiers();

protected:
    ~ToolServices() override;

private:
    HostView& view_;
    std::vector<TIAddInNotifier*> notifiers_;
};
