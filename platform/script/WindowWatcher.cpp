#include "WindowWatcher.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>

WindowWatcher::WindowWatcher(QWidget* ignored, Handler onShown)
    : ignored_(ignored), onShown_(std::move(onShown)) {
    qApp->installEventFilter(this);
}

WindowWatcher::~WindowWatcher() {
    qApp->removeEventFilter(this);
}

bool WindowWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && widget != ignored_ && !qobject_cast<QMessageBox*>(widget) &&
            (type == Qt::Dialog || type == Qt::Window || type == Qt::Sheet))
            onShown_(widget);
    }
    return QObject::eventFilter(watched, event);
}
