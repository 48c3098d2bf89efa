#include "ProjectBinding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString readProjectBinding(const QString& projectFile) {
    if (projectFile.isEmpty())
        return {};
    QFile file(QFileInfo(projectFile).dir().filePath(QString::fromLatin1(kBindingFileName)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray line = file.readLine();
    // The line is taken whole, as the add-in takes it: only its end is dropped.
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}
