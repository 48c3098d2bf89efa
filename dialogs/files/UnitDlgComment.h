// File list, comment and log: the base of the check-out, check-in and add dialogs.
#pragma once

#include "UnitFileList.h"

class TFormComment : public TFormFileList {
public:
    QLabel* LabelComment;
    QPlainTextEdit* MemoComment;

protected:
    TFormComment(VssDatabase database, std::string projectBinding, std::string fileName);

    // The whole text of MemoComment, lines joined by carriage return and line feed.
    std::string CommentText() const;
};
