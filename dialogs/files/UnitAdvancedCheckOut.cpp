#include "UnitAdvancedCheckOut.h"

#include <vss/VssInterfaces.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

TFormAdvancedCheckOut::TFormAdvancedCheckOut(QWidget* owner) : TFormAdvanced(owner) {
    setObjectName("FormAdvancedCheckOut");
    setWindowTitle(QStringLiteral("Advanced Check Out Options"));
    setClientSize(371, 101);
    MoveButtonsTo(284);

    LabelReplaceWriteable = NewLabel("LabelReplaceWriteable", "Replace Writeable", 8, 4);
    LabelTimestamp = NewLabel("LabelTimestamp", "Set timestamp", 8, 52);
    ComBoxReplaceWriteable =
        NewChoiceBox("ComBoxReplaceWriteable", {"Replace", "Skip", "Merge"}, 8, 24, 113);
    ComBoxSetTimestamp =
        NewChoiceBox("ComBoxSetTimestamp", {"Current", "Modification", "CheckIn"}, 8, 72, 113);
    CBoxDontGet = NewCheckBox("CBoxDontGet", "Don't get local copy", 132, 72, 121, 17);
    setTabOrder(ButtonHelp, ComBoxReplaceWriteable);
    setTabOrder(ComBoxReplaceWriteable, ComBoxSetTimestamp);
    setTabOrder(ComBoxSetTimestamp, CBoxDontGet);
}

void TFormAdvancedCheckOut::ButtonOkClick() {
    TakeChoice(ComBoxReplaceWriteable, {vss::FlagReplace, vss::FlagSkip, vss::FlagMerge},
               Properties.Replace);
    TakeChoice(ComBoxSetTimestamp,
               {vss::FlagTimeCurrent, vss::FlagTimeModification, vss::FlagTimeCheckIn},
               Properties.Date);
    GetLocalFlag = CBoxDontGet->isChecked() ? vss::FlagDontGetLocal : vss::FlagGetLocal;
}
