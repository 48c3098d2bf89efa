#include "FormPlacing.h"

#include <QLabel>
#include <QPushButton>

namespace placing {

namespace {
constexpr int kButtonHeight = 25;
}

QLabel* label(QWidget* parent, const char* name, const char* text, int x, int y, int w, int h) {
    auto* result = place<QLabel>(parent, name, x, y, w, h);
    result->setText(QString::fromUtf8(text));
    result->setTextFormat(Qt::PlainText);
    return result;
}

QPushButton* button(QWidget* parent, const char* name, const char* text, int x, int y, int w) {
    auto* result = place<QPushButton>(parent, name, x, y, w, kButtonHeight);
    result->setText(QString::fromUtf8(text));
    result->setAutoDefault(false);
    return result;
}

} // namespace placing
