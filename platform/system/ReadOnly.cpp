#include "ReadOnly.h"

#include "System.h"

#include <QFile>

bool isReadOnlyFile(const QString& path) {
    try {
        return sys::fileAttributes(QFile::encodeName(path).toStdString()).readOnly;
    } catch (const sys::SystemError&) {
        return false;
    }
}
