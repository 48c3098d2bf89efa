// The binding of a project as the add-in keeps it: the first line of the binding file
// "Delphi.Vss" in the project file's folder. The host only reads it, to show it.
#pragma once

#include <QString>

inline constexpr char kBindingFileName[] = "Delphi.Vss";

// The SourceSafe path the project is bound to; empty when there is no binding file, it cannot be
// read, or its first line is empty.
QString readProjectBinding(const QString& projectFile);
