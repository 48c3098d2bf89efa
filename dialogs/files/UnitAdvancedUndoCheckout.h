// Advanced undo-check-out options: what happens to the local copy.
#pragma once

#include "UnitAdvanced.h"

class TFormAdvancedUndoCheckout : public TFormAdvanced {
public:
    explicit TFormAdvancedUndoCheckout(QWidget* owner = nullptr);

    QLabel* LabelLocalCopy;
    QComboBox* ComBoxLocalCopy;

    // The local-copy flag chosen with OK; 0 (SourceSafe's default) otherwise.
    std::int32_t LocalCopyFlag = 0;

protected:
    void ButtonOkClick() override;
};
