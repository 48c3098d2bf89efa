// The host's own error display: a message box built like the add-in's standard error display
// (object name "MessageBox", "qmError", "qmStyle" and the button's "qmResult"), so that scripts
// and people handle both the same way.
#pragma once

#include <QString>

class QWidget;

void showErrorBox(QWidget* owner, const QString& text);
