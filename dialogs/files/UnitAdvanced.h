// The base of the small advanced-option dialogs: OK, Cancel and Help on the right, and the
// dialog's own copy of the stored settings, which OK overwrites with the user's choices.
#pragma once

#include "UnitVssRegistry.h"

#include <ui/Form.h>

#include <cstdint>
#include <initializer_list>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

class TFormAdvanced : public ui::Form {
public:
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
    QPushButton* ButtonHelp;

    // The stored settings, overwritten by the user's choices when OK closes the dialog.
    TVSSProperties Properties;

protected:
    explicit TFormAdvanced(QWidget* owner = nullptr);

    // Writes the user's choices before the dialog closes with OK.
    virtual void ButtonOkClick() = 0;

    void MoveButtonsTo(int left);
    // The value of the combo box's chosen item; no chosen item leaves the field unchanged.
    static void TakeChoice(const QComboBox* box, std::initializer_list<std::int32_t> values,
                           std::int32_t& field);
    QLabel* NewLabel(const char* name, const char* caption, int left, int top);
    QCheckBox* NewCheckBox(const char* name, const char* caption, int left, int top, int width,
                           int height);
    QComboBox* NewChoiceBox(const char* name, std::initializer_list<const char*> items, int left,
                            int top, int width);
};
