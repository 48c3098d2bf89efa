#include "TVcs.h"

#include "BindingFile.h"
#include "UnitVssInterface.h"
#include "UnitVssNotify.h"

#include <system/Paths.h>
#include <ui/Application.h>

#include <array>

namespace {

enum class Rule {
    Always,          // separators and "About"
    Project,         // bound and logged in
    LoggedIn,        // logged in
    CurrentFile,     // bound, logged in and the host's current file under control
    ExplorerPresent, // SourceSafe's server path present and logged in
};

struct Verb {
    const char* text;
    Rule rule;
};

constexpr std::array<Verb, 15> kVerbs{{
    {"&Get Latest Version...", Rule::Project},
    {"Check &Out...", Rule::Project},
    {"Check &In...", Rule::Project},
    {"&Undo Check Out...", Rule::Project},
    {"", Rule::Always},
    {"&Add to Source Control...", Rule::LoggedIn},
    {"Re&move from Source Control...", Rule::Project},
    {"", Rule::Always},
    {"Show &Hisotry...", Rule::CurrentFile},
    {"Show &Differences...", Rule::CurrentFile},
    {"Shar&e from SourceSafe...", Rule::Project},
    {"", Rule::Always},
    {"SourceSafe", Rule::ExplorerPresent},
    {"O&ptions...", Rule::ExplorerPresent},
    {"A&bout...", Rule::Always},
}};

// A negative index counts as out of range.
bool inRange(int index) {
    return static_cast<unsigned>(index) < kVerbs.size();
}

} // namespace

TVcsManager::TVcsManager(TIToolServices* toolServices) : ToolServices(toolServices) {
    VssInterface = std::make_unique<TVssInterface>();
    Notifier = new TVssNotify(ToolServices, VssInterface.get());
    try {
        ToolServices->AddNotifier(Notifier);
    } catch (...) {
        // No destructor runs for a client that was never made.
        ReleaseInterface(Notifier);
        throw;
    }
}

// The connection goes first (releasing the database), then the notifier is unregistered and
// released.
TVcsManager::~TVcsManager() {
    VssInterface.reset();
    ToolServices->RemoveNotifier(Notifier);
    ReleaseInterface(Notifier);
}

std::string TVcsManager::GetIDString() {
    return "Talvorenix.VCS";
}

std::string TVcsManager::GetMenuName() {
    return "S&ource Safe";
}

int TVcsManager::GetVerbCount() {
    return static_cast<int>(kVerbs.size());
}

std::string TVcsManager::GetVerb(int index) {
    return inRange(index) ? kVerbs[static_cast<unsigned>(index)].text : "";
}

// Every call asks again: check-ins, additions and settings change behind the menu's back.
std::uint16_t TVcsManager::GetVerbState(int index) {
    if (!inRange(index))
        return 0;
    switch (kVerbs[static_cast<unsigned>(index)].rule) {
    case Rule::Always:
        return vsEnabled;
    case Rule::Project:
        return VssInterface->CanWorkOnProject();
    case Rule::LoggedIn:
        return VssInterface->CanAddToControl();
    case Rule::CurrentFile:
        return VssInterface->CanWorkOnFile(ToolServices->GetCurrentFile());
    case Rule::ExplorerPresent:
        return VssInterface->CanRunExplorer();
    }
    return 0;
}

// The host window is restored only after a command that returned; an error leaves the call
// to the host untouched.
void TVcsManager::ExecuteVerb(int index) {
    if (inRange(index))
        RunVerbCommand(static_cast<unsigned>(index));
    ui::Application::instance().restoreMainWindow();
}

// The names a command needs are fetched from the host just before the call.
void TVcsManager::RunVerbCommand(unsigned verb) {
    switch (verb) {
    case 0:
        VssInterface->ShowGetLatest(ToolServices->GetCurrentFile());
        break;
    case 1:
        VssInterface->ShowCheckOut(ToolServices->GetCurrentFile());
        break;
    case 2:
        VssInterface->ShowCheckIn(ToolServices->GetCurrentFile());
        break;
    case 3:
        VssInterface->ShowUndoCheckOut(ToolServices->GetCurrentFile());
        break;
    case 5: {
        // The project file is asked for first, then the current file.
        const std::string projectFile = ToolServices->GetProjectName();
        VssInterface->ShowAddToControl(ToolServices->GetCurrentFile(), projectFile);
        break;
    }
    case 6:
        VssInterface->ShowRemoveFromControl(ToolServices->GetCurrentFile());
        break;
    case 8:
        VssInterface->ShowHistory(ToolServices->GetCurrentFile());
        break;
    case 9:
        VssInterface->ShowDifferences(ToolServices->GetCurrentFile());
        break;
    case 10:
        VssInterface->ShowShareFromSS();
        break;
    case 12:
        VssInterface->RunExplorer();
        break;
    case 13:
        VssInterface->ShowOptions();
        break;
    case 14:
        VssInterface->ShowAbout(ToolServices->GetVersion());
        break;
    default:
        // The separators 4, 7 and 11 have no command.
        break;
    }
}

void TVcsManager::ProjectChange() {
    VssInterface->ChangeProject(ReadProjectBinding());
}

std::string TVcsManager::ReadProjectBinding() {
    const std::string folder = sys::extractFileDir(ToolServices->GetProjectName());
    if (folder.empty())
        return {};
    return core::readBindingFile(sys::joinPath(folder, kBindingFileName));
}
