#include "UnitAbout.h"

#include "AboutIcons.h"
#include "FormPlacing.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

using namespace placing;

constexpr int kLabelHeight = 17;

QLabel* picture(QWidget* parent, const char* name, const QPixmap& pixmap, int x, int y) {
    auto* result = place<QLabel>(parent, name, x, y, 32, 32);
    result->setPixmap(pixmap);
    return result;
}

QFrame* bevel(QWidget* parent, const char* name, QFrame::Shape shape, int x, int y, int w, int h) {
    auto* frame = place<QFrame>(parent, name, x, y, w, h);
    frame->setFrameShape(shape);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

TFormAbout::TFormAbout(QWidget* owner) : ui::Form(owner) {
    setObjectName("FormAbout");
    setWindowTitle("About");
    setClientSize(286, 235);

    ImageDelphi = picture(this, "ImageDelphi", about_icons::templeIcon(), 12, 12);
    ImageVss = picture(this, "ImageVss", about_icons::safeIcon(), 12, 52);

    LabelName = place<QLabel>(this, "LabelName", 52, 12, 225, 48);
    LabelName->setText("Quillmoor");
    QFont nameFont = LabelName->font();
    nameFont.setBold(true);
    nameFont.setPixelSize(19);
    LabelName->setFont(nameFont);
    LabelName->setWordWrap(true);
    LabelName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelVersion = label(this, "LabelVersion", "Version 1.0", 52, 64, 225, kLabelHeight);

    Bevel2 = bevel(this, "Bevel2", QFrame::HLine, 8, 96, 270, 2);
    Bevel1 = bevel(this, "Bevel1", QFrame::Box, 8, 108, 270, 78);
    LabelDelphi = label(this, "LabelDelphi", "Delphi Version:", 20, 124, 100, kLabelHeight);
    LabelDelphiVersion = label(this, "LabelDelphiVersion", "3.0", 128, 124, 140, kLabelHeight);
    LabelVss = label(this, "LabelVss", "VSS Version:", 20, 156, 100, kLabelHeight);
    LabelVssVersion = label(this, "LabelVssVersion", "5.0", 128, 156, 140, kLabelHeight);
    Bevel1->lower();

    ButtonOk = button(this, "ButtonOk", "OK", 203, 200, 75);
    setDefaultButton(ButtonOk);
    setButtonModalResult(ButtonOk, ui::mrOk);
    onClick(ButtonOk);
}

TFormAbout::~TFormAbout() = default;
