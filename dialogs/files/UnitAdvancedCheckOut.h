// Advanced check-out options: a writable local copy, the local time stamp, and whether a local
// copy is fetched at all.
#pragma once

#include "UnitAdvanced.h"

class TFormAdvancedCheckOut : public TFormAdvanced {
public:
    explicit TFormAdvancedCheckOut(QWidget* owner = nullptr);

    QLabel* LabelReplaceWriteable;
    QLabel* LabelTimestamp;
    QComboBox* ComBoxReplaceWriteable;
    QComboBox* ComBoxSetTimestamp;
    QCheckBox* CBoxDontGet;

    // The local-copy flag chosen with OK; 0 (SourceSafe's default) otherwise.
    std::int32_t GetLocalFlag = 0;

protected:
    void ButtonOkClick() override;
};
