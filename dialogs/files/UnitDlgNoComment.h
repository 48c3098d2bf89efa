// File list and log, no comment: the base of the get, undo check-out and remove dialogs.
#pragma once

#include "UnitFileList.h"

class TFormNoComment : public TFormFileList {
protected:
    TFormNoComment(VssDatabase database, std::string projectBinding, std::string fileName);
};
