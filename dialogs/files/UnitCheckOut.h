// Check out: the children nobody has checked out, checked out with one comment.
#pragma once

#include "UnitDlgComment.h"

class TFormCheckOut : public TFormComment {
public:
    TFormCheckOut(VssDatabase database, std::string projectBinding, std::string fileName);

protected:
    TFileOperation Operation() const override;
    std::int32_t OperationFlags() const override;
    void OperateOnFile(const std::string& localPath, std::int32_t flags) override;
    void ButtonAdvancedClick();

    // Set only by the advanced dialog; 0 is SourceSafe's default.
    std::int32_t GetLocalFlag = 0;
};
