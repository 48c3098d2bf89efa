#include "ViewCopy.h"

#include <system/System.h>
#include <system/TempFile.h>
#include <system/Viewer.h>
#include <ui/Application.h>

std::filesystem::path NewViewCopyFile(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return sys::createTempFile("VssTmp",
                               dot == std::string::npos ? std::string() : name.substr(dot));
}

void ShowViewCopy(const std::string& viewer, const std::string& file, bool binary,
                  const char* caption) {
    ui::Application& application = ui::Application::instance();
    if (!binary) {
        try {
            sys::startViewer(viewer, file);
        } catch (const sys::SystemError&) {
            application.messageBox("Could not run viewer", caption, ui::MB_ICONEXCLAMATION);
        }
        return;
    }
    try {
        sys::openWithAssociatedProgram(file);
    } catch (const sys::SystemError&) {
        application.messageBox("No association for this file", caption, ui::MB_ICONEXCLAMATION);
    }
}
