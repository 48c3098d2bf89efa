// Get latest version: every child, fetched into its local path.
#pragma once

#include "UnitDlgNoComment.h"

class TFormGetLatest : public TFormNoComment {
public:
    TFormGetLatest(VssDatabase database, std::string projectBinding, std::string fileName);

protected:
    TFileOperation Operation() const override;
    std::int32_t OperationFlags() const override;
    void OperateOnFile(const std::string& localPath, std::int32_t flags) override;
    void ButtonAdvancedClick();
};
