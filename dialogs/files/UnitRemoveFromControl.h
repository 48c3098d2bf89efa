// Remove from source control: every child, marked deleted in SourceSafe.
#pragma once

#include "UnitDlgNoComment.h"

class TFormRemoveFromControl : public TFormNoComment {
public:
    TFormRemoveFromControl(VssDatabase database, std::string projectBinding, std::string fileName);

protected:
    TFileOperation Operation() const override;
    std::int32_t OperationFlags() const override;
    void OperateOnFile(const std::string& localPath, std::int32_t flags) override;
};
