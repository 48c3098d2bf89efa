// Add files: the files of the bound project's working folder that the project does not hold
// yet, added with one comment. Its list comes from the file system, not from SourceSafe.
#pragma once

#include "UnitDlgComment.h"

class TFormAddFile : public TFormComment {
public:
    // Raises when the bound project cannot be read; a missing working folder gives an empty list.
    TFormAddFile(VssDatabase database, std::string projectBinding, std::string fileName);

protected:
    TFileOperation Operation() const override;
    std::int32_t OperationFlags() const override;
    void OperateOnFile(const std::string& localPath, std::int32_t flags) override;
    // The run reads only the project again and looks no entry up.
    void ReadProject() override;
    void ProcessEntry(QListWidgetItem* entry) override;

private:
    void FillFromWorkingFolder(const std::string& fileName);
};
