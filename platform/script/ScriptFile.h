// Reading a script from a file or standard input.
#pragma once

#include "JsonReporter.h"
#include "ScriptLine.h"

#include <optional>

// Reads and checks the script `name` ("-": standard input). When it cannot be read or a line is
// wrong, reports the script error and the end (exit code 2) and returns nothing.
std::optional<QList<ScriptLine>> loadScript(const QString& name, const ScriptCommands& own,
                                            JsonReporter& reporter);
