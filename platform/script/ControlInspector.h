// Reads what a user sees of a control: its text or caption, state, items and selection; finds
// controls by object name and list entries by text or by tree path ("$/A/B").
#pragma once

#include <QJsonObject>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <optional>

class QAbstractItemView;
class QWidget;

namespace inspect {

// The named control inside the window (the window itself when the name is its own).
QWidget* findControl(QWidget* window, const QString& name);
QString className(const QWidget* widget);
// A window's class; dialogs that Qt knows only as a plain dialog go by their object name.
QString windowClass(const QWidget* window);

// The item with this text: in a list its text, in a tree a path of texts joined by "/".
QModelIndex findItem(const QAbstractItemView* view, const QString& text);
// Text of an item; in a tree its path from the top.
QString itemText(const QAbstractItemView* view, const QModelIndex& index);

QString text(const QWidget* widget);
std::optional<bool> checked(const QWidget* widget);
// Lists, combo boxes and trees (items the user can see); lines of multi-line text.
std::optional<QStringList> items(const QWidget* widget);
std::optional<QStringList> selected(const QWidget* widget);
// The column headings of a list view in report style, whose items are rows of cells joined by
// a tab.
std::optional<QStringList> columns(const QWidget* widget);

// A property as `expect` compares it ("text", "caption", "enabled", "checked", "items",
// "selected", "visible", "columns"); lists are joined by "|". Empty when the control has no such
// property.
std::optional<QString> property(const QWidget* widget, const QString& name);

QJsonObject describe(const QWidget* widget);
// The window's caption and class, and every named control in it.
QJsonObject describeWindow(const QWidget* window);

} // namespace inspect
