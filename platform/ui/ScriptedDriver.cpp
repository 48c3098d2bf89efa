#include "ScriptedDriver.h"

#include "Form.h"

#include <QTimer>

namespace ui {

ScriptedDriver::ScriptedDriver() {
    Application::instance().setDriver(this);
}

ScriptedDriver::~ScriptedDriver() {
    if (&Application::instance().driver() == this)
        Application::instance().setDriver(nullptr);
}

int ScriptedDriver::messageBox(QWidget*, const std::string& text, const std::string& caption,
                               int style) {
    int result = IDCANCEL;
    if (answers_.empty()) {
        problems_.push_back("unexpected message box: " + text);
    } else {
        result = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({text, caption, style, result});
    return result;
}

int ScriptedDriver::runModal(Form& form) {
    const std::string caption = form.windowTitle().toStdString();
    shown_.push_back(caption);
    if (forms_.empty()) {
        problems_.push_back("unexpected form: " + caption);
        form.setModalResult(mrCancel);
        return mrCancel;
    }
    FormAction action = std::move(forms_.front());
    forms_.pop_front();

    // A timer of this call, not a single shot: if the form closes before its loop runs, the
    // action must not fire later in someone else's loop.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &form, [this, &form, &action, &caption] {
        try {
            action(form);
        } catch (const std::exception& error) {
            problems_.push_back("form action failed: " + caption + ": " + error.what());
        } catch (...) {
            problems_.push_back("form action failed: " + caption);
        }
        if (form.isVisible()) {
            problems_.push_back("form left open: " + caption);
            form.reject();
        }
    });
    timer.start(0);
    form.exec();
    return form.modalResult();
}

void ScriptedDriver::showError(QWidget*, const std::string& message) {
    errors_.push_back(message);
}

std::optional<std::string> ScriptedDriver::openFile(QWidget*, const OpenFileRequest& request) {
    fileRequests_.push_back(request);
    if (files_.empty()) {
        problems_.push_back("unexpected file dialog: " + request.title);
        return std::nullopt;
    }
    std::optional<std::string> file = std::move(files_.front());
    files_.pop_front();
    return file;
}

void ScriptedDriver::setBusyCursor(bool busy) {
    busy_ = busy;
    ++busyChanges_;
}

void ScriptedDriver::showWindow(QWidget*, int showCommand) {
    lastShowCommand_ = showCommand;
    if (showCommand == SW_RESTORE)
        ++restores_;
}

} // namespace ui
