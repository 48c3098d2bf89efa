// One line of a script: a command word and its arguments. Arguments with blanks are
// double-quoted; inside quotes \n, \r, \t, \" and \\ stand for themselves.
#pragma once

#include "ScriptErrors.h"

#include <QHash>
#include <QString>
#include <QStringList>

// How many arguments a command takes.
struct ScriptArity {
    int min;
    int max; // -1: any number
};

// A program's own commands (those beside the window commands every script knows), by name.
using ScriptCommands = QHash<QString, ScriptArity>;

struct ScriptLine {
    int number = 0; // 1-based line in the script
    QString command;
    QStringList args;
    QString source; // the line as written

    // Splits a line; empty command for a blank line or a comment ("#" first). Raises
    // ScriptError for an unterminated quote or an unknown escape.
    static ScriptLine parse(const QString& text, int number);
    // Reads a whole script whose lines are window commands or the program's own; raises
    // ScriptError naming the line.
    static QList<ScriptLine> parseScript(const QString& text, const ScriptCommands& own = {});
    // Checks the command is known and has a valid number of arguments.
    void validate(const ScriptCommands& own = {}) const;
};

// A path a script names, made absolute against the current folder.
QString absoluteScriptPath(const QString& path);
