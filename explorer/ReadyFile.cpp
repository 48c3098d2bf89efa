#include "ReadyFile.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QWidget>

void reportWindowShown(const QWidget& window) {
    const QString path = qEnvironmentVariable("SSEXP_READY_FILE");
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QString text =
        QStringLiteral("%1\n%2\n%3\n")
            .arg(QCoreApplication::applicationPid())
            .arg(window.windowTitle())
            .arg(window.isVisible() ? QStringLiteral("visible") : QStringLiteral("hidden"));
    file.write(text.toUtf8());
    file.commit();
}
