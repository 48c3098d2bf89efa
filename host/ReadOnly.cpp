#include "ReadOnly.h"

#include <QFile>
#include <system/System.h>

bool isReadOnlyFile(const QString& path) {
    try {
        return sys::fileAttributes(QFile::encodeName(path).toStdString()).readOnly;
    } catch (const sys::SystemError&) {
        return false;
    }
}
