// The add-in's one application object: everything the dialogs need from the windowing system.
// In production it talks to Qt (QtDriver); tests install a ScriptedDriver.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

class QWidget;

namespace ui {

class Form;

// Message-box styles and results use the Windows numbers, which callers pass on unchanged.
inline constexpr int MB_OK = 0;
inline constexpr int MB_OKCANCEL = 1;
inline constexpr int MB_YESNOCANCEL = 3;
inline constexpr int MB_YESNO = 4;
inline constexpr int MB_ICONERROR = 16;
inline constexpr int MB_ICONQUESTION = 32;
inline constexpr int MB_ICONEXCLAMATION = 48;
inline constexpr int MB_ICONINFORMATION = 64;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Modal results of forms.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// Show command for restoring a window.
inline constexpr int SW_RESTORE = 9;

using WindowHandle = std::uintptr_t;

struct OpenFileRequest {
    std::string title;
    std::string fileName;      // proposed file name
    std::string filter;        // "Description|pattern|Description|pattern"
    int filterIndex = 1;       // 1-based
    bool mustExist = true;     // the file and its path must exist
    std::string initialFolder; // empty: the dialog's own choice
};

// How the application object reaches the user.
class Driver {
public:
    virtual ~Driver() = default;
    virtual int messageBox(QWidget* owner, const std::string& text, const std::string& caption,
                           int style) = 0;
    // Runs the form's modal loop and returns its modal result.
    virtual int runModal(Form& form) = 0;
    // The standard error display: a message box with the error's message.
    virtual void showError(QWidget* owner, const std::string& message) = 0;
    virtual std::optional<std::string> openFile(QWidget* owner, const OpenFileRequest& request) = 0;
    virtual void setBusyCursor(bool busy) = 0;
    virtual void showWindow(QWidget* window, int showCommand) = 0;
};

class Application {
public:
    static Application& instance();

    int messageBox(const std::string& text, const std::string& caption, int style);
    int runModal(Form& form);
    // The standard error display, for an error that escapes an event handler.
    void showException(const std::exception& error);
    void showError(const std::string& message);
    std::optional<std::string> openFile(const OpenFileRequest& request);

    // The host's main window becomes the owner of every dialog and message box. A handle is
    // adopted only when it differs from the current one; 0 means no main window.
    void adoptMainWindow(WindowHandle handle);
    WindowHandle mainWindowHandle() const { return mainHandle_; }
    QWidget* mainWindow() const;
    // Shows the main window with the restore command; nothing when there is none.
    void restoreMainWindow();

    // Installs a driver (not owned); nullptr puts the Qt driver back.
    void setDriver(Driver* driver);
    Driver& driver();

    // Busy cursor nesting, used by BusyCursor.
    void pushBusy();
    void popBusy();
    int busyDepth() const { return busyDepth_; }

private:
    Application() = default;

    Driver* driver_ = nullptr;
    WindowHandle mainHandle_ = 0;
    int busyDepth_ = 0;
};

// Shows the busy cursor over the whole application while it lives.
class BusyCursor {
public:
    BusyCursor() { Application::instance().pushBusy(); }
    ~BusyCursor() { Application::instance().popBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace ui
