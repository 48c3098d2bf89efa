#include "MessageBoxWatcher.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>

MessageBoxWatcher::MessageBoxWatcher(Handler onShown, QObject* parent)
    : QObject(parent), onShown_(std::move(onShown)) {
    qApp->installEventFilter(this);
}

MessageBoxWatcher::~MessageBoxWatcher() {
    qApp->removeEventFilter(this);
}

bool MessageBoxWatcher::isAddinBox(const QObject* object) {
    return qobject_cast<const QMessageBox*>(object) != nullptr &&
           object->objectName() == u"MessageBox";
}

bool MessageBoxWatcher::isErrorBox(const QMessageBox& box) {
    return box.property("qmError").toBool();
}

bool MessageBoxWatcher::eventFilter(QObject* watched, QEvent* event) {
    // Show comes once per box: each one runs its own modal loop and is gone afterwards.
    if (event->type() == QEvent::Show && isAddinBox(watched))
        onShown_(*static_cast<QMessageBox*>(watched));
    return QObject::eventFilter(watched, event);
}
