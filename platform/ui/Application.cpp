#include "Application.h"

#include "QtDriver.h"

#include <QWidget>

namespace ui {

Application& Application::instance() {
    static Application application;
    return application;
}

int Application::messageBox(const std::string& text, const std::string& caption, int style) {
    return driver().messageBox(mainWindow(), text, caption, style);
}

int Application::runModal(Form& form) {
    return driver().runModal(form);
}

void Application::showException(const std::exception& error) {
    showError(error.what());
}

void Application::showError(const std::string& message) {
    driver().showError(mainWindow(), message);
}

std::optional<std::string> Application::openFile(const OpenFileRequest& request) {
    return driver().openFile(mainWindow(), request);
}

void Application::adoptMainWindow(WindowHandle handle) {
    if (handle != mainHandle_)
        mainHandle_ = handle;
}

// Looked up on every use, so that a window the host has destroyed is never used.
QWidget* Application::mainWindow() const {
    return mainHandle_ ? QWidget::find(static_cast<WId>(mainHandle_)) : nullptr;
}

void Application::restoreMainWindow() {
    if (QWidget* window = mainWindow())
        driver().showWindow(window, SW_RESTORE);
}

void Application::setDriver(Driver* driver) {
    driver_ = driver;
}

Driver& Application::driver() {
    static QtDriver qtDriver;
    return driver_ ? *driver_ : qtDriver;
}

void Application::pushBusy() {
    if (busyDepth_++ == 0)
        driver().setBusyCursor(true);
}

void Application::popBusy() {
    if (busyDepth_ > 0 && --busyDepth_ == 0)
        driver().setBusyCursor(false);
}

} // namespace ui
