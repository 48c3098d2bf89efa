#include "UnitAdvancedUndoCheckout.h"

#include <vss/VssInterfaces.h>

#include <QComboBox>
#include <QPushButton>

TFormAdvancedUndoCheckout::TFormAdvancedUndoCheckout(QWidget* owner) : TFormAdvanced(owner) {
    setObjectName("FormAdvancedUndoCheckout");
    setWindowTitle(QStringLiteral("Undo Check Out Advanced Options"));
    setClientSize(263, 99);
    MoveButtonsTo(184);

    LabelLocalCopy = NewLabel("LabelLocalCopy", "LocalCopy:", 32, 16);
    ComBoxLocalCopy = NewChoiceBox("ComBoxLocalCopy", {"Default", "Replace", "Leave"}, 32, 44, 109);
    setTabOrder(ButtonHelp, ComBoxLocalCopy);
}

void TFormAdvancedUndoCheckout::ButtonOkClick() {
    TakeChoice(ComBoxLocalCopy, {0, vss::FlagReplaceLocal, vss::FlagLeaveLocal}, LocalCopyFlag);
}
