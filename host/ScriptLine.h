// One line of a host script: a command word and its arguments. Arguments with blanks are
// double-quoted; inside quotes \n, \r, \t, \" and \\ stand for themselves.
#pragma once

#include "ScriptErrors.h"

#include <QString>
#include <QStringList>

struct ScriptLine {
    int number = 0; // 1-based line in the script
    QString command;
    QStringList args;
    QString source; // the line as written

    // Splits a line; empty command for a blank line or a comment ("#" first). Raises
    // ScriptError for an unterminated quote or an unknown escape.
    static ScriptLine parse(const QString& text, int number);
    // Reads a whole script; raises ScriptError naming the line.
    static QList<ScriptLine> parseScript(const QString& text);
    // Checks the command is known and has a valid number of arguments.
    void validate() const;
};
