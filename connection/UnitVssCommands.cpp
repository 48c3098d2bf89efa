// The verb commands of the file dialogs and the SourceSafe explorer. Each dialog command creates
// its dialog, shows it modally and frees it; nothing is caught, so an error raised while the
// dialog is built leaves the command.
#include "UnitVssInterface.h"

#include "UnitAddFile.h"
#include "UnitAddProject.h"
#include "UnitCheckIn.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitRemoveFromControl.h"
#include "UnitShareFromSS.h"
#include "UnitUndoCheckOut.h"

#include <system/Paths.h>
#include <system/System.h>
#include <ui/Application.h>

void TVssInterface::ShowGetLatest(const std::string& fileName) {
    TFormGetLatest(Database, ProjectBinding, fileName).showModal();
}

void TVssInterface::ShowCheckOut(const std::string& fileName) {
    TFormCheckOut(Database, ProjectBinding, fileName).showModal();
}

void TVssInterface::ShowCheckIn(const std::string& fileName) {
    TFormCheckIn(Database, ProjectBinding, fileName).showModal();
}

void TVssInterface::ShowUndoCheckOut(const std::string& fileName) {
    TFormUndoCheckOut(Database, ProjectBinding, fileName).showModal();
}

// The add-project dialog stays open until its binding is complete, so OK always brings one.
void TVssInterface::ShowAddToControl(const std::string& fileName, const std::string& projectFile) {
    if (!ProjectBound) {
        TFormAddProject form(Database, projectFile);
        if (form.showModal() == ui::mrOk) {
            ProjectBinding = form.chosenProject();
            ProjectBound = true;
        }
    }
    if (ProjectBound)
        TFormAddFile(Database, ProjectBinding, fileName).showModal();
}

void TVssInterface::ShowRemoveFromControl(const std::string& fileName) {
    TFormRemoveFromControl(Database, ProjectBinding, fileName).showModal();
}

void TVssInterface::ShowShareFromSS() {
    TFormShareFromSS(Database, ProjectBinding).showModal();
}

// Starts the explorer from the folder of the source-code-control server, with no arguments and
// without waiting. Not finding or not starting it is no error worth a message.
void TVssInterface::RunExplorer() {
    const std::string serverPath = TVssRegistry().ReadSccServerPath();
    const std::string program = sys::joinPath(sys::extractFileDir(serverPath), "ssexp.exe");
    try {
        sys::startProcess({program});
    } catch (const sys::SystemError&) {
    }
}
