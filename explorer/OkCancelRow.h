// The row of OK and Cancel that ends each of the explorer's small dialogs, and their other buttons.
#pragma once

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace ui {
class Form;
}

struct OkCancelRow {
    QPushButton* ok;
    QPushButton* cancel;
    QHBoxLayout* layout; // right-aligned, for the caller to add to its own layout
};

// "OK" (ButtonOk, the Enter button) and "Cancel" (ButtonCancel, the Esc button), each closing
// the form with its result. Neither takes Enter for itself when focused, so Enter in a
// multi-line field stays a new line.
OkCancelRow addOkCancelRow(ui::Form& form);

// A button of these dialogs: named, and never taking Enter for itself, so Enter stays with the
// form's default button.
QPushButton* newDialogButton(QWidget* parent, const char* name, const char* caption);
