#include "UnitVssNotify.h"

#include "UnitVssInterface.h"

#include <ui/Application.h>

TVssNotify::TVssNotify(TIToolServices* toolServices, TVssInterface* vssInterface)
    : ToolServices(toolServices), VssInterface(vssInterface) {}

// The cancel flag is never changed: the add-in only offers, it never vetoes the host.
void TVssNotify::FileNotification(TFileNotification notifyCode, const std::string& fileName,
                                  bool& /*cancel*/) {
    switch (notifyCode) {
    case TFileNotification::AddedToProject:
        // NOT WIRED YET: the offer to add the file (ask, save and show the host module, then
        // ShowAddToControl(current file, project file)) comes with the add-files command.
        break;
    case TFileNotification::RemovedFromProject:
        FileRemoved(fileName);
        break;
    default:
        break;
    }
}

void TVssNotify::EventNotification(TEventNotification /*notifyCode*/, bool& /*cancel*/) {}

// The lookup is by name alone, so a file removed from a subfolder matches an item of the bound
// project with the same name.
void TVssNotify::FileRemoved(const std::string& fileName) {
    if (!VssInterface->IsProjectBound() || !VssInterface->IsFileUnderControl(fileName))
        return;
    const int answer = ui::Application::instance().messageBox(
        "Would you like to remove this file from source control?", "Source Safe",
        ui::MB_YESNO | ui::MB_ICONQUESTION);
    if (answer == ui::IDYES)
        VssInterface->ShowRemoveFromControl(fileName);
}
