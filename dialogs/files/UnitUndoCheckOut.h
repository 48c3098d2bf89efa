// Undo check out: the children checked out to the current user, their check-outs undone.
#pragma once

#include "UnitDlgNoComment.h"

class TFormUndoCheckOut : public TFormNoComment {
public:
    TFormUndoCheckOut(VssDatabase database, std::string projectBinding, std::string fileName);

protected:
    TFileOperation Operation() const override;
    std::int32_t OperationFlags() const override;
    void OperateOnFile(const std::string& localPath, std::int32_t flags) override;
    void ButtonAdvancedClick();

    // Set only by the advanced dialog; 0 is SourceSafe's default.
    std::int32_t LocalCopyFlag = 0;
};
