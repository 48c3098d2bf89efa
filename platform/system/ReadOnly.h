// Whether a file is read-only in the version-control sense: no write permission bit set. The
// check ignores who runs the program, since a working copy left read-only is one not checked out,
// even for a user whose rights would allow writing it.
#pragma once

#include <QString>

bool isReadOnlyFile(const QString& path); // false for a missing file
