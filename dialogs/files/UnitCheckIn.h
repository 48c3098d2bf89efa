// Check in: the children checked out to the current user, checked in with one comment.
#pragma once

#include "UnitDlgComment.h"

class TFormCheckIn : public TFormComment {
public:
    TFormCheckIn(VssDatabase database, std::string projectBinding, std::string fileName);

protected:
    TFileOperation Operation() const override;
    std::int32_t OperationFlags() const override;
    void OperateOnFile(const std::string& localPath, std::int32_t flags) override;
};
