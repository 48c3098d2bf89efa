#include "OkCancelRow.h"

#include <ui/Application.h>
#include <ui/Form.h>

#include <QHBoxLayout>
#include <QPushButton>

QPushButton* newDialogButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

OkCancelRow addOkCancelRow(ui::Form& form) {
    OkCancelRow row{newDialogButton(&form, "ButtonOk", "OK"),
                    newDialogButton(&form, "ButtonCancel", "Cancel"), new QHBoxLayout};
    row.layout->addStretch();
    row.layout->addWidget(row.ok);
    row.layout->addWidget(row.cancel);
    form.setDefaultButton(row.ok);
    form.setCancelButton(row.cancel);
    form.setButtonModalResult(row.ok, ui::mrOk);
    form.setButtonModalResult(row.cancel, ui::mrCancel);
    form.onClick(row.ok);
    form.onClick(row.cancel);
    return row;
}
