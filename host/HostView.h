// What the tool services need from the host's window: its handle, the open project, the
// editor. The main window implements it; the tool services know nothing else of the host.
#pragma once

#include "ToolIntf.h"

#include <QString>

class HostView {
public:
    virtual ~HostView() = default;
    virtual THandle windowHandle() = 0;
    virtual QString projectFile() const = 0; // empty when no project is open
    virtual QString currentFile() const = 0; // the active editor tab; empty when none
    // Saves the editor buffer of the file when one is open; true when the file is on disk.
    virtual bool saveFile(const QString& path) = 0;
    // Opens the file in the editor (if needed) and makes it the active tab.
    virtual bool showFile(const QString& path) = 0;
};
