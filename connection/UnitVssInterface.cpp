#include "UnitVssInterface.h"

#include "dialogs/database/UnitVssLogin.h"
#include "dialogs/files/UnitCheckIn.h"

#include "VssPath.h"

#include <registry/Registry.h>
#include <system/Paths.h>
#include <ui/Application.h>

namespace {

constexpr const char kCaption[] = "Source Safe";
constexpr int kQuestionStyle = ui::MB_YESNO | ui::MB_ICONQUESTION;

bool userSaysYes(const std::string& question) {
    return ui::Application::instance().messageBox(question, kCaption, kQuestionStyle) == ui::IDYES;
}

std::uint16_t verbState(bool enabled) {
    return enabled ? 1 : 0;
}

// A value of another type is no path either: the menu asks on every opening, and an error
// there would show a box per verb each time.
bool serverPathPresent() {
    try {
        return !TVssRegistry().ReadSccServerPath().empty();
    } catch (const reg::RegistryError&) {
        return false;
    }
}

} // namespace

TVssInterface::TVssInterface() {
    LoggedIn = true;
    Database = CoVSSDatabase::Create();
    try {
        Database.open("", "", "");
    } catch (const EVssError&) {
        // The server's defaults name no usable database: ask the user, on a fresh object.
        Database = CoVSSDatabase::Create();
        ui::Application::instance().messageBox("trying to login", kCaption, ui::MB_OK);
        TFormVssLogin login(Database);
        LoggedIn = login.showModal() == ui::mrOk;
    }
    TVssRegistry registry;
    TVSSProperties properties;
    registry.ReadProperties(properties);
    Properties = properties;
}

TVssInterface::~TVssInterface() = default;

// Looked up by name alone in the bound project, so a file in a subfolder of the project matches
// an item of the project itself.
bool TVssInterface::IsFileUnderControl(const std::string& fileName) {
    if (fileName.empty())
        return false;
    try {
        Database.item(JoinVssPath(ProjectBinding, sys::extractFileName(fileName)), false);
        return true;
    } catch (const EVssError&) {
        return false;
    }
}

std::uint16_t TVssInterface::CanWorkOnProject() {
    return verbState(ProjectBound && LoggedIn);
}

std::uint16_t TVssInterface::CanAddToControl() {
    return verbState(LoggedIn);
}

std::uint16_t TVssInterface::CanWorkOnFile(const std::string& fileName) {
    return verbState(ProjectBound && LoggedIn && IsFileUnderControl(fileName));
}

// Reads the registry on every call, so a changed installation shows at once.
std::uint16_t TVssInterface::CanRunExplorer() {
    return verbState(serverPathPresent() && LoggedIn);
}

void TVssInterface::ChangeProject(const std::string& newBinding) {
    if (ProjectBound && Properties.CheckOnClose != 0)
        OfferCheckIn();

    const std::string previousBinding = ProjectBinding;
    ProjectBinding = newBinding;
    ProjectBound = false;

    VssItem project;
    if (!newBinding.empty()) {
        try {
            project = Database.item(newBinding, false);
            ProjectBound = true;
        } catch (const EVssError&) {
            // No such project: the binding is kept, unbound.
        }
    }

    // Offered only when a project becomes bound, not again for the project already open.
    if (ProjectBound && Properties.GetOnOpen != 0 && previousBinding.empty())
        OfferGetLatest(project);
}

// The project being left may be gone from the database, so that its dialog cannot be built:
// the error is shown once and the project change goes on, or the new project would keep the
// old binding and the question would come back on every change.
void TVssInterface::OfferCheckIn() {
    if (!userSaysYes("Do you want to check in this project to " + ProjectBinding + "?"))
        return;
    try {
        TFormCheckIn form(Database, ProjectBinding, "");
        form.showModal();
    } catch (const std::exception& error) {
        ui::Application::instance().showException(error);
    }
}

void TVssInterface::OfferGetLatest(const VssItem& project) {
    if (!userSaysYes("Do you want to get the latest versions of " + ProjectBinding +
                     " from Source Safe?"))
        return;
    std::string folder = project.localSpec();
    const std::int32_t flags = Properties.Recursive + Properties.ReadOnly + Properties.Compare +
                               Properties.Replace + Properties.Date;
    project.get(folder, flags);
}
