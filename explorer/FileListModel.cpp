#include "FileListModel.h"

#include <system/CaseFold.h>
#include <system/Paths.h>

#include <QBrush>
#include <QDateTime>
#include <QLocale>
#include <QPalette>

#include <algorithm>

// Names compare with case ignored by the store's own folding (sys::foldCase), so the list is in
// the order of the store's name index. Each name is folded once, not once per comparison: a
// project may hold ten thousand files.
void FileListModel::fill(const std::vector<VssChildStatus>& children, bool showDeleted) {
    std::vector<std::pair<std::string, const VssChildStatus*>> listed;
    listed.reserve(children.size());
    for (const VssChildStatus& child : children) {
        if (child.deleted ? showDeleted : child.type == vss::kTypeFile)
            listed.emplace_back(sys::foldCase(child.name), &child);
    }
    std::stable_sort(listed.begin(), listed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    beginResetModel();
    rows_.clear();
    rows_.reserve(listed.size());
    for (const auto& [folded, child] : listed)
        rows_.push_back(*child);
    endResetModel();
}

void FileListModel::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString FileListModel::cell(const VssChildStatus& row, int column) const {
    switch (column) {
    case Name:
        return QString::fromStdString(row.name);
    case User:
        return QString::fromStdString(row.checkoutUser);
    case Date:
        return row.date == 0 ? QString()
                             : QLocale().toString(QDateTime::fromSecsSinceEpoch(row.date),
                                                  QLocale::ShortFormat);
    case Folder:
        return QString::fromStdString(sys::extractFileDir(row.checkoutLocalSpec));
    default:
        return {};
    }
}

// Cells are made when the view asks for them: filling costs one copy of the listing.
QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const VssChildStatus& row = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cell(row, index.column());
    case Qt::ForegroundRole:
        if (row.deleted)
            return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        return {};
    case kDeletedRole:
        return row.deleted;
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[ColumnCount] = {"Name", "User", "Date", "Check-out folder"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section])
                                                 : QVariant();
}
