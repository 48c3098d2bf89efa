// What the project pane shows of a unit on disk, and the small pictures for it. The icons are
// drawn here rather than taken from a desktop theme, so they look the same everywhere,
// headless pictures included.
#pragma once

#include <QIcon>
#include <QString>

enum class FileState {
    ReadOnly, // not checked out in this workflow
    Writable, // checked out (or never under control)
    Missing,  // named by the project, not on disk
};

FileState fileStateOf(const QString& path);
// Draws the state's picture: a lock, a pencil, a red mark.
QIcon drawFileStateIcon(FileState state);
QString fileStateText(FileState state);
