// The options dialog: the nine settings as check boxes, drop-down lists and the viewer edit,
// stored when the user presses OK.
#pragma once

#include "UnitVssRegistry.h"

#include <ui/Application.h>
#include <ui/Form.h>

#include <cstdint>
#include <initializer_list>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

class TFormVSSProperties : public ui::Form {
public:
    // Reads the stored settings into the controls.
    explicit TFormVSSProperties(QWidget* owner = nullptr);
    ~TFormVSSProperties() override;

    QTabWidget* PageCProperties;
    QWidget* TabSheetGeneral;
    QWidget* TabSheetLocal;
    QGroupBox* GroupBoxOpenClose;
    QGroupBox* GroupBoxCheckIn;
    QGroupBox* GroupBoxViewer;
    QCheckBox* CBoxGetOnOpen;
    QCheckBox* CBoxCheckOnClose;
    QLabel* LabelUnchanged;
    QComboBox* ComboBoxUnchanged;
    QCheckBox* CBoxRecursive;
    QLabel* LabelViewer;
    QLineEdit* EditViewer;
    QPushButton* ButtonBrowse;
    QCheckBox* CBoxReadOnly;
    QLabel* LabelCompare;
    QComboBox* ComboBoxCompare;
    QLabel* LabelReplace;
    QComboBox* ComboBoxReplace;
    QLabel* LabelDate;
    QComboBox* ComboBoxDate;
    QPushButton* ButtonOk;
    QPushButton* ButtonCacnel;
    ui::OpenFileRequest OpenDialog;

    // The controls' state as a settings record, by the same mapping that fills them.
    TVSSProperties PropertiesFromControls() const;

private:
    void CreateGeneralPage();
    void CreateLocalPage();
    void ShowProperties(const TVSSProperties& properties);
    void ButtonOkClick();
    void ButtonBrowseClick();
};
