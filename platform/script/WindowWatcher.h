// Reports every dialog window the moment it is shown (message boxes excepted: they are reported
// when they are answered), for the script mode's transcript.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

class WindowWatcher : public QObject {
public:
    using Handler = std::function<void(QWidget*)>;

    // Watches the whole application while it lives; `ignored` (the host window) is not reported.
    WindowWatcher(QWidget* ignored, Handler onShown);
    ~WindowWatcher() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* ignored_;
    Handler onShown_;
};
