#include "FileListModel.h"

#include <system/Paths.h>

#include <QBrush>
#include <QDateTime>
#include <QLocale>
#include <QPalette>

void FileListModel::fill(const std::vector<VssChildStatus>& children, bool showDeleted) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(children.size());
    for (const VssChildStatus& child : children) {
        const bool listed = child.deleted ? showDeleted : child.type == vss::kTypeFile;
        if (listed)
            rows_.push_back(child);
    }
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
