// Creating a dialog's controls at the positions its form was laid out with.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace placing {

// A new child of `parent` of type W, with its object name and geometry.
template <class W> W* place(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}

// A caption shown as it stands: a project path with "<" in it is no markup.
QLabel* label(QWidget* parent, const char* name, const char* text, int x, int y, int w, int h);

// A push button of the standard height that Enter does not press unless the form makes it the
// default one.
QPushButton* button(QWidget* parent, const char* name, const char* text, int x, int y, int w);

} // namespace placing
