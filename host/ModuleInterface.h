// The host module of one file, handed to the add-in by GetModuleInterface. The caller owns
// the one reference it gets.
#pragma once

#include "HostView.h"
#include "ToolIntf.h"

#include <QString>

class ModuleInterface : public TIModuleInterface {
public:
    ModuleInterface(HostView& view, QString fileName);

    bool Save(bool forceSave) override;
    bool ShowSource() override;

private:
    HostView& view_;
    QString fileName_;
};
