// User actions on controls, made of real mouse and key events (QTest), so every event handler
// runs as it would for a person. An action may not return at once: when it opens a modal
// window, it returns after that window has closed.
//
// Problems raise ScriptError (the control cannot take the action) or ScriptFailure (the item
// the script names is not there).
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace drive {

// Ctrl-clicks (in an extended-selection list) or clicks the entries whose state differs.
void select(QWidget* control, const QStringList& items, bool selected);
void doubleClick(QWidget* control, const QString& item);
void click(QWidget* control);
// Moves the caret to the end and types; "\n" presses Return.
void type(QWidget* control, const QString& text);
// Select all and delete.
void clear(QWidget* control);
// Opens the combo box's list and picks the entry, which the combo box reports as activated.
void choose(QWidget* control, const QString& item);
void check(QWidget* control, bool on);
// Expands the tree along the path "$/A/B" by clicking the branch indicators.
void expand(QWidget* control, const QString& path);
// Expands the path's parents and clicks the item.
void pick(QWidget* control, const QString& path);
// Enter, Escape, or any key name QKeySequence knows ("Tab", "Ctrl+A", "Down").
void key(QWidget* control, const QString& name);
// Clicks the message box button with this Windows result (1 OK, 2 Cancel, 6 Yes, 7 No).
void answer(QWidget* box, int result);

} // namespace drive
