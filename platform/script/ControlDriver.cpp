#include "ControlDriver.h"

#include "ControlInspector.h"
#include "ScriptErrors.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>

namespace drive {

namespace {

std::string nameOf(const QWidget* control) {
    return control->objectName().toStdString();
}

template <typename T> T* as(QWidget* control, const char* what) {
    if (auto* typed = qobject_cast<T*>(control))
        return typed;
    throw ScriptError(nameOf(control) + " is not " + what + " (it is a " +
                      inspect::className(control).toStdString() + ")");
}

QModelIndex itemOf(QAbstractItemView* view, const QString& text) {
    const QModelIndex index = inspect::findItem(view, text);
    if (!index.isValid())
        throw ScriptFailure(nameOf(view) + " has no item \"" + text.toStdString() + "\"");
    return index;
}

QPoint centreOf(QAbstractItemView* view, const QModelIndex& index) {
    view->scrollTo(index);
    const QRect rect = view->visualRect(index);
    if (rect.isEmpty())
        throw ScriptError(nameOf(view) + ": the item \"" +
                          inspect::itemText(view, index).toStdString() + "\" is not visible");
    return rect.center();
}

bool isTextControl(const QWidget* control) {
    return qobject_cast<const QLineEdit*>(control) ||
           qobject_cast<const QPlainTextEdit*>(control) || qobject_cast<const QTextEdit*>(control);
}

void typeCharacter(QWidget* control, QChar c) {
    if (c == u'\n')
        QTest::keyClick(control, Qt::Key_Return);
    else if (c.unicode() < 0x80 && c.isPrint())
        QTest::keyClick(control, static_cast<char>(c.unicode()));
    else
        QTest::sendKeyEvent(QTest::Click, control, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void clickBranch(QTreeView* tree, const QModelIndex& index) {
    tree->scrollTo(index);
    const QRect rect = tree->visualRect(index);
    const QPoint indicator(rect.left() - tree->indentation() / 2, rect.center().y());
    if (indicator.x() >= 0) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, indicator);
        return;
    }
    // A top-level item without a branch indicator: select it and open it from the keyboard.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::keyClick(tree, Qt::Key_Plus);
}

QModelIndex expandPath(QTreeView* tree, const QString& path, bool includingLast) {
    const QStringList parts = path.split(u'/');
    QModelIndex index = tree->rootIndex();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString prefix = parts.mid(0, i + 1).join(u'/');
        index = itemOf(tree, prefix);
        const bool last = i + 1 == parts.size();
        if ((!last || includingLast) && !tree->isExpanded(index)) {
            clickBranch(tree, index);
            index = itemOf(tree, prefix); // lazy trees may rebuild their items on expanding
        }
    }
    return index;
}

} // namespace

void select(QWidget* control, const QStringList& items, bool selected) {
    auto* view = as<QAbstractItemView>(control, "a list");
    const Qt::KeyboardModifiers modifier =
        view->selectionMode() == QAbstractItemView::ExtendedSelection ? Qt::ControlModifier
                                                                      : Qt::NoModifier;
    for (const QString& item : items) {
        const QModelIndex index = itemOf(view, item);
        if (view->selectionModel()->isSelected(index) == selected)
            continue;
        QPointer<QAbstractItemView> guard(view);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifier, centreOf(view, index));
        if (!guard)
            return;
    }
}

void doubleClick(QWidget* control, const QString& item) {
    auto* view = as<QAbstractItemView>(control, "a list");
    const QPoint point = centreOf(view, itemOf(view, item));
    QPointer<QWidget> viewport(view->viewport());
    // Press, release, double-click, release: what a double-click delivers.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, point);
    if (viewport)
        QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, point);
    if (viewport)
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, point);
}

void click(QWidget* control) {
    if (auto* button = qobject_cast<QAbstractButton*>(control); button && button->isCheckable()) {
        // A check box reacts to clicks on its box and label, which start at its left edge.
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier,
                          QPoint(qMin(6, button->width() / 2), button->height() / 2));
        return;
    }
    QTest::mouseClick(control, Qt::LeftButton);
}

void type(QWidget* control, const QString& text) {
    if (!isTextControl(control))
        throw ScriptError(nameOf(control) + " does not take text (it is a " +
                          inspect::className(control).toStdString() + ")");
    control->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(control, Qt::Key_End,
                    qobject_cast<QLineEdit*>(control) ? Qt::NoModifier : Qt::ControlModifier);
    QPointer<QWidget> guard(control);
    for (const QChar c : text) {
        if (!guard)
            return;
        typeCharacter(control, c);
    }
}

void clear(QWidget* control) {
    if (!isTextControl(control))
        throw ScriptError(nameOf(control) + " does not take text");
    control->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(control, Qt::Key_Delete);
}

void choose(QWidget* control, const QString& item) {
    auto* combo = as<QComboBox>(control, "a combo box");
    const int target = combo->findText(item, Qt::MatchExactly);
    if (target < 0)
        throw ScriptFailure(nameOf(combo) + " has no item \"" + item.toStdString() + "\"");
    combo->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier); // opens the list
    QAbstractItemView* list = combo->view();
    if (!list->isVisible())
        throw ScriptError(nameOf(combo) + ": its list did not open");
    int row = list->currentIndex().isValid() ? list->currentIndex().row() : -1;
    if (row < 0) {
        QTest::keyClick(list, Qt::Key_Home);
        row = 0;
    }
    for (; row < target; ++row)
        QTest::keyClick(list, Qt::Key_Down);
    for (; row > target; --row)
        QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
}

void check(QWidget* control, bool on) {
    auto* box = as<QAbstractButton>(control, "a check box");
    if (!box->isCheckable())
        throw ScriptError(nameOf(box) + " is not a check box");
    if (box->isChecked() != on)
        click(box);
}

void expand(QWidget* control, const QString& path) {
    expandPath(as<QTreeView>(control, "a tree"), path, true);
}

void pick(QWidget* control, const QString& path) {
    auto* tree = as<QTreeView>(control, "a tree");
    const QModelIndex index = expandPath(tree, path, false);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(tree, index));
}

void key(QWidget* control, const QString& name) {
    if (name == u"Enter" || name == u"Return") {
        QTest::keyClick(control, Qt::Key_Return);
        return;
    }
    if (name == u"Escape" || name == u"Esc") {
        QTest::keyClick(control, Qt::Key_Escape);
        return;
    }
    const QKeySequence sequence = QKeySequence::fromString(name);
    if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown)
        throw ScriptError("unknown key \"" + name.toStdString() + "\"");
    QTest::keyClick(control, sequence[0].key(), sequence[0].keyboardModifiers());
}

void answer(QWidget* window, int result) {
    auto* box = as<QMessageBox>(window, "a message box");
    for (QAbstractButton* button : box->buttons()) {
        const QVariant value = button->property("qmResult");
        if (value.isValid() && value.toInt() == result) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    throw ScriptFailure("the message box \"" + box->text().toStdString() +
                        "\" has no button for the answer " + std::to_string(result));
}

} // namespace drive
