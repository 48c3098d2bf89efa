// The production driver: real Qt dialogs, message boxes and cursors.
#pragma once

#include "Application.h"

#include <QString>

namespace ui {

class QtDriver : public Driver {
public:
    // Every message box carries objectName "MessageBox", the property "qmStyle" (the Windows
    // style) and, on each button, "qmResult" (its Windows result), so that a host script can
    // drive and report boxes without knowing the add-in.
    int messageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   int style) override;
    int runModal(Form& form) override;
    // Like messageBox with "Error", MB_OK | MB_ICONERROR, and the property "qmError" = true.
    void showError(QWidget* owner, const std::string& message) override;
    // A non-native QFileDialog named "OpenDialog", so that it can be driven without a desktop.
    std::optional<std::string> openFile(QWidget* owner, const OpenFileRequest& request) override;
    void setBusyCursor(bool busy) override;
    // SW_RESTORE: a minimized window is shown normal, a visible one raised and activated; a
    // hidden window stays hidden.
    void showWindow(QWidget* window, int showCommand) override;

    // "Description|pattern;pattern|Description|pattern" in Qt's form:
    // "Description (pattern pattern);;Description (pattern)". A description without a pattern
    // is dropped.
    static QString toQtFilter(const std::string& filter);
};

} // namespace ui
