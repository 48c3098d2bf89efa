// An event filter that calls a function: the form's user-event wiring.
#pragma once

#include <QObject>
#include <functional>

namespace ui {

class EventFilter : public QObject {
public:
    // The function returns true to stop the event, as QObject::eventFilter does.
    using Function = std::function<bool(QObject* watched, QEvent* event)>;

    EventFilter(QObject* parent, Function function)
        : QObject(parent), function_(std::move(function)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Function function_;
};

} // namespace ui
