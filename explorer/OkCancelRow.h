// The row of OK and Cancel that ends each of the explorer's small dialogs.
#pragma once

class QHBoxLayout;
class QPushButton;

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
