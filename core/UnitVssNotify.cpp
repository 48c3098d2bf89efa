#include "UnitVssNotify.h"

#include "UnitVssInterface.h"

#include <ui/Application.h>

#include <memory>

TVssNotify::TVssNotify(TIToolServices* toolServices, TVssInterface* vssInterface)
    : ToolServices(toolServices), VssInterface(vssInterface) {}

// The cancel flag is never changed: the add-in only offers, it never vetoes the host.
void TVssNotify::FileNotification(TFileNotification notifyCode, const std::string& fileName,
                                  bool& /*cancel*/) {
    switch (notifyCode) {
    case TFileNotification::AddedToProject:
        FileAdded(fileName);
        break;
    case TFileNotification::RemovedFromProject:
        FileRemoved(fileName);
        break;
    default:
        break;
    }
}

void TVssNotify::EventNotification(TEventNotification /*notifyCode*/, bool& /*cancel*/) {}

// The host saves the new file and makes it current, so the add dialog finds it on disk and
// pre-selects it. A file the host has no module for is offered as it is.
void TVssNotify::FileAdded(const std::string& fileName) {
    if (!VssInterface->IsProjectBound())
        return;
    const int answer =
        ui::Application::instance().messageBox("Would you like to add this file to source control?",
                                               "Source Safe", ui::MB_YESNO | ui::MB_ICONQUESTION);
    if (answer != ui::IDYES)
        return;
    if (TIModuleInterface* module = ToolServices->GetModuleInterface(fileName)) {
        const std::unique_ptr<TIModuleInterface, void (*)(TIModuleInterface*)> held(
            module, [](TIModuleInterface* m) { m->Release(); });
        module->Save(true);
        module->ShowSource();
    }
    const std::string projectFile = ToolServices->GetProjectName();
    const std::string currentFile = ToolServices->GetCurrentFile();
    VssInterface->ShowAddToControl(currentFile, projectFile);
}

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
