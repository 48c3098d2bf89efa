#include "UnitAdvanced.h"

#include <ui/Application.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

QPushButton* newButton(QWidget* parent, const char* name, const char* caption, int top) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    button->setGeometry(260, top, 75, 25);
    return button;
}

} // namespace

TFormAdvanced::TFormAdvanced(QWidget* owner) : ui::Form(owner) {
    setObjectName("FormAdvanced");
    setWindowTitle(QStringLiteral("Advanced"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setClientSize(345, 101);

    ButtonOk = newButton(this, "ButtonOk", "OK", 6);
    ButtonCancel = newButton(this, "ButtonCancel", "Cancel", 36);
    ButtonHelp = newButton(this, "ButtonHelp", "&Help", 66);
    setTabOrder(ButtonOk, ButtonCancel);
    setTabOrder(ButtonCancel, ButtonHelp);

    setDefaultButton(ButtonOk);
    setCancelButton(ButtonCancel);
    setButtonModalResult(ButtonOk, ui::mrOk);
    setButtonModalResult(ButtonCancel, ui::mrCancel);
    onClick(ButtonOk, [this] { ButtonOkClick(); });
    onClick(ButtonCancel);

    TVssRegistry().ReadProperties(Properties);
}

void TFormAdvanced::MoveButtonsTo(int left) {
    for (QPushButton* button : {ButtonOk, ButtonCancel, ButtonHelp})
        button->move(left, button->y());
}

void TFormAdvanced::TakeChoice(const QComboBox* box, std::initializer_list<std::int32_t> values,
                               std::int32_t& field) {
    const int index = box->currentIndex();
    if (index >= 0 && index < static_cast<int>(values.size()))
        field = values.begin()[index];
}

QComboBox* TFormAdvanced::NewChoiceBox(const char* name, std::initializer_list<const char*> items,
                                       int left, int top, int width) {
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    box->setEditable(false);
    for (const char* item : items)
        box->addItem(QString::fromUtf8(item));
    box->setGeometry(left, top, width, 21);
    box->setCurrentIndex(0);
    return box;
}

QLabel* TFormAdvanced::NewLabel(const char* name, const char* caption, int left, int top) {
    auto* label = new QLabel(QString::fromUtf8(caption), this);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QCheckBox* TFormAdvanced::NewCheckBox(const char* name, const char* caption, int left, int top,
                                      int width, int height) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), this);
    box->setObjectName(name);
    box->setGeometry(left, top, width, height);
    box->setChecked(false);
    return box;
}
