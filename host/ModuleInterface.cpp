#include "ModuleInterface.h"

#include <QFileInfo>

ModuleInterface::ModuleInterface(HostView& view, QString fileName)
    : view_(view), fileName_(std::move(fileName)) {}

bool ModuleInterface::Save(bool forceSave) {
    // An unforced save of a file that is on disk already has nothing to do.
    if (!forceSave && QFileInfo::exists(fileName_))
        return true;
    return view_.saveFile(fileName_);
}

bool ModuleInterface::ShowSource() {
    return view_.showFile(fileName_);
}
