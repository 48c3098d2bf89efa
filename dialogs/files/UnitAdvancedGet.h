// Advanced get options: a writable local copy, the local time stamp, and whether the fetched
// copy is left writable.
#pragma once

#include "UnitAdvanced.h"

class TFormAdvancedGet : public TFormAdvanced {
public:
    explicit TFormAdvancedGet(QWidget* owner = nullptr);

    QLabel* LabelReplaceWriteable;
    QComboBox* ComBoxReplaceWriteable;
    QLabel* LabelTimestamp;
    QComboBox* ComBoxSetTimestamp;
    QCheckBox* CBoxMakeWriteable;

protected:
    void ButtonOkClick() override;
};
