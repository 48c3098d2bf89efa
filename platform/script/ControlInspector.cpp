#include "ControlInspector.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTreeView>

#include <algorithm>

namespace inspect {

namespace {

// A list view in report style (a table, or a flat tree with several columns) lists rows of
// cells; a tree lists paths.
bool isReport(const QAbstractItemView* view) {
    if (qobject_cast<const QTableView*>(view))
        return true;
    auto* tree = qobject_cast<const QTreeView*>(view);
    return tree && !tree->rootIsDecorated() && tree->model() &&
           tree->model()->columnCount(tree->rootIndex()) > 1;
}

bool isTree(const QAbstractItemView* view) {
    return qobject_cast<const QTreeView*>(view) != nullptr && !isReport(view);
}

QString displayText(const QModelIndex& index) {
    return index.data(Qt::DisplayRole).toString();
}

void collectVisible(const QTreeView* tree, const QModelIndex& parent, QStringList& out) {
    const QAbstractItemModel* model = tree->model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (tree->isRowHidden(row, parent))
            continue;
        out.append(itemText(tree, index));
        if (tree->isExpanded(index))
            collectVisible(tree, index, out);
    }
}

QModelIndex childWithText(const QAbstractItemModel* model, const QModelIndex& parent,
                          const QString& text) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (displayText(index) == text)
            return index;
    }
    return {};
}

QJsonArray toJson(const QStringList& list) {
    return QJsonArray::fromStringList(list);
}

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

QWidget* findControl(QWidget* window, const QString& name) {
    if (window == nullptr)
        return nullptr;
    if (window->objectName() == name)
        return window;
    return window->findChild<QWidget*>(name);
}

QString className(const QWidget* widget) {
    return QString::fromLatin1(widget->metaObject()->className());
}

QString windowClass(const QWidget* window) {
    const QString name = className(window);
    if ((name == u"QDialog" || name == u"ui::Form") && !window->objectName().isEmpty())
        return window->objectName();
    return name;
}

QModelIndex findItem(const QAbstractItemView* view, const QString& text) {
    const QAbstractItemModel* model = view->model();
    if (model == nullptr)
        return {};
    const QModelIndex root = view->rootIndex();
    if (QModelIndex whole = childWithText(model, root, text); whole.isValid() || !isTree(view))
        return whole;
    QModelIndex index = root;
    for (const QString& part : text.split(u'/')) {
        index = childWithText(model, index, part);
        if (!index.isValid())
            return {};
    }
    return index;
}

QString itemText(const QAbstractItemView* view, const QModelIndex& index) {
    if (isReport(view)) {
        QStringList cells;
        const QAbstractItemModel* model = view->model();
        for (int column = 0; column < model->columnCount(index.parent()); ++column)
            cells.append(displayText(model->index(index.row(), column, index.parent())));
        return cells.join(u'\t');
    }
    if (!isTree(view))
        return displayText(index);
    QStringList parts;
    for (QModelIndex at = index; at.isValid() && at != view->rootIndex(); at = at.parent())
        parts.prepend(displayText(at));
    return parts.join(u'/');
}

QString text(const QWidget* widget) {
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(widget))
        return memo->toPlainText();
    if (auto* rich = qobject_cast<const QTextEdit*>(widget))
        return rich->toPlainText();
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    if (auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    if (auto* spin = qobject_cast<const QAbstractSpinBox*>(widget))
        return spin->text();
    if (auto* tabs = qobject_cast<const QTabWidget*>(widget))
        return tabs->tabText(tabs->currentIndex());
    if (widget->isWindow())
        return widget->windowTitle();
    return {};
}

std::optional<bool> checked(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget);
        button && button->isCheckable())
        return button->isChecked();
    if (auto* group = qobject_cast<const QGroupBox*>(widget); group && group->isCheckable())
        return group->isChecked();
    return std::nullopt;
}

std::optional<QStringList> columns(const QWidget* widget) {
    auto* view = qobject_cast<const QAbstractItemView*>(widget);
    if (view == nullptr || !isReport(view))
        return std::nullopt;
    QStringList out;
    const QAbstractItemModel* model = view->model();
    for (int column = 0; column < model->columnCount(view->rootIndex()); ++column)
        out.append(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    return out;
}

std::optional<QStringList> items(const QWidget* widget) {
    if (auto* tree = qobject_cast<const QTreeView*>(widget); tree && isTree(tree)) {
        QStringList out;
        if (tree->model())
            collectVisible(tree, tree->rootIndex(), out);
        return out;
    }
    if (auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        QStringList out;
        const QAbstractItemModel* model = view->model();
        for (int row = 0; model && row < model->rowCount(view->rootIndex()); ++row)
            out.append(itemText(view, model->index(row, 0, view->rootIndex())));
        return out;
    }
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out.append(combo->itemText(i));
        return out;
    }
    if (auto* tabs = qobject_cast<const QTabWidget*>(widget)) {
        QStringList out;
        for (int i = 0; i < tabs->count(); ++i)
            out.append(tabs->tabText(i));
        return out;
    }
    if (qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget)) {
        const QString all = text(widget);
        return all.isEmpty() ? QStringList() : all.split(u'\n');
    }
    return std::nullopt;
}

std::optional<QStringList> selected(const QWidget* widget) {
    if (auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        QStringList out;
        if (const QItemSelectionModel* selection = view->selectionModel()) {
            QModelIndexList rows = selection->selectedRows(0);
            if (rows.isEmpty())
                rows = selection->selectedIndexes();
            if (!isTree(view))
                std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) {
                    return a.row() < b.row();
                });
            for (const QModelIndex& index : rows)
                out.append(itemText(view, index));
        }
        return out;
    }
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentIndex() < 0 ? QStringList() : QStringList{combo->currentText()};
    return std::nullopt;
}

std::optional<QString> property(const QWidget* widget, const QString& name) {
    if (name == u"text" || name == u"caption")
        return text(widget);
    if (name == u"enabled")
        return boolText(widget->isEnabled());
    if (name == u"visible")
        return boolText(widget->isVisible());
    if (name == u"checked") {
        const auto value = checked(widget);
        return value ? std::optional<QString>(boolText(*value)) : std::nullopt;
    }
    if (name == u"items") {
        const auto list = items(widget);
        return list ? std::optional<QString>(list->join(u'|')) : std::nullopt;
    }
    if (name == u"selected") {
        const auto list = selected(widget);
        return list ? std::optional<QString>(list->join(u'|')) : std::nullopt;
    }
    if (name == u"columns") {
        const auto list = columns(widget);
        return list ? std::optional<QString>(list->join(u'|')) : std::nullopt;
    }
    return std::nullopt;
}

QJsonObject describe(const QWidget* widget) {
    QJsonObject out{{QStringLiteral("name"), widget->objectName()},
                    {QStringLiteral("class"), className(widget)},
                    {QStringLiteral("text"), text(widget)},
                    {QStringLiteral("enabled"), widget->isEnabled()},
                    {QStringLiteral("visible"), widget->isVisible()}};
    if (const auto value = checked(widget))
        out.insert(QStringLiteral("checked"), *value);
    if (const auto list = columns(widget))
        out.insert(QStringLiteral("columns"), toJson(*list));
    if (const auto list = items(widget))
        out.insert(QStringLiteral("items"), toJson(*list));
    if (const auto list = selected(widget))
        out.insert(QStringLiteral("selected"), toJson(*list));
    return out;
}

QJsonObject describeWindow(const QWidget* window) {
    QJsonArray controls;
    for (const QWidget* child : window->findChildren<QWidget*>()) {
        const QString name = child->objectName();
        // Qt's own inner widgets (viewports, scroll bars, popups) have no names or "qt_" ones.
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || child->isWindow())
            continue;
        controls.append(describe(child));
    }
    return {{QStringLiteral("caption"), window->windowTitle()},
            {QStringLiteral("class"), windowClass(window)},
            {QStringLiteral("name"), window->objectName()},
            {QStringLiteral("controls"), controls}};
}

} // namespace inspect
