// Notices every message box that comes up in the process and is built the way the add-in's
// application object builds them (object name "MessageBox"; the host's error box is built the
// same way). The host learns what the add-in told the user from these, not from the add-in.
#pragma once

#include <QObject>
#include <functional>

class QMessageBox;

class MessageBoxWatcher : public QObject {
public:
    using Handler = std::function<void(const QMessageBox&)>;

    // Watches the whole application while it lives.
    explicit MessageBoxWatcher(Handler onShown, QObject* parent = nullptr);
    ~MessageBoxWatcher() override;

    // Whether the box is one of the add-in's (or the host's error box).
    static bool isAddinBox(const QObject* object);
    // Whether it is the standard error display.
    static bool isErrorBox(const QMessageBox& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler onShown_;
};
