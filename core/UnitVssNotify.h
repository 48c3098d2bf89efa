// The add-in's notifier: the host tells it about files added to or removed from the project.
#pragma once

#include "ToolIntf.h"

class TVssInterface;

class TVssNotify : public TIAddInNotifier {
public:
    // Both are borrowed: the tool services from the host, the connection from the client.
    TVssNotify(TIToolServices* toolServices, TVssInterface* vssInterface);

    void FileNotification(TFileNotification notifyCode, const std::string& fileName,
                          bool& cancel) override;
    void EventNotification(TEventNotification notifyCode, bool& cancel) override;

protected:
    ~TVssNotify() override = default;

private:
    void FileAdded(const std::string& fileName);
    void FileRemoved(const std::string& fileName);

    TIToolServices* ToolServices;
    TVssInterface* VssInterface;
};
