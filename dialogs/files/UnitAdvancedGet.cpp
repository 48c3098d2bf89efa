#include "UnitAdvancedGet.h"

#include <vss/VssInterfaces.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

TFormAdvancedGet::TFormAdvancedGet(QWidget* owner) : TFormAdvanced(owner) {
    setObjectName("FormAdvancedGet");
    setWindowTitle(QStringLiteral("Advanced Get Options"));

    LabelReplaceWriteable = NewLabel("LabelReplaceWriteable", "Replace Writeable", 8, 4);
    ComBoxReplaceWriteable =
        NewChoiceBox("ComBoxReplaceWriteable", {"Replace", "Skip", "Merge"}, 8, 24, 113);
    LabelTimestamp = NewLabel("LabelTimestamp", "Set timestamp", 8, 52);
    ComBoxSetTimestamp =
        NewChoiceBox("ComBoxSetTimestamp", {"Current", "Modification", "CheckIn"}, 8, 72, 113);
    CBoxMakeWriteable = NewCheckBox("CBoxMakeWriteable", "Make Writeable", 140, 74, 97, 17);
    setTabOrder(ButtonHelp, ComBoxReplaceWriteable);
    setTabOrder(ComBoxReplaceWriteable, ComBoxSetTimestamp);
    setTabOrder(ComBoxSetTimestamp, CBoxMakeWriteable);
}

void TFormAdvancedGet::ButtonOkClick() {
    TakeChoice(ComBoxReplaceWriteable, {vss::FlagReplace, vss::FlagSkip, vss::FlagMerge},
               Properties.Replace);
    TakeChoice(ComBoxSetTimestamp,
               {vss::FlagTimeCurrent, vss::FlagTimeModification, vss::FlagTimeCheckIn},
               Properties.Date);
    Properties.ReadOnly = CBoxMakeWriteable->isChecked() ? vss::FlagWritable : vss::FlagReadOnly;
}
