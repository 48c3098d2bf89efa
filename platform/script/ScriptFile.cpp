#include "ScriptFile.h"

#include <QFile>
#include <cstdio>

std::optional<QList<ScriptLine>> loadScript(const QString& name, const ScriptCommands& own,
                                            JsonReporter& reporter) {
    try {
        QFile file;
        const bool opened = name == u"-" ? file.open(stdin, QIODevice::ReadOnly)
                                         : (file.setFileName(name), file.open(QIODevice::ReadOnly));
        if (!opened)
            throw ScriptError(QStringLiteral("cannot read the script %1: %2")
                                  .arg(name, file.errorString())
                                  .toStdString());
        return ScriptLine::parseScript(QString::fromUtf8(file.readAll()), own);
    } catch (const ScriptError& error) {
        reporter.report(QStringLiteral("script-error"),
                        {{QStringLiteral("text"), QString::fromStdString(error.what())}});
        reporter.report(QStringLiteral("end"), {{QStringLiteral("exit"), 2}});
        return std::nullopt;
    }
}
