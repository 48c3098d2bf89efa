// The file list of one project: Name, User (who has it checked out), Date, Check-out folder.
// Filled from one listing of the project, in order of name with case ignored; deleted entries
// appear only when asked for, in order among the others.
#pragma once

#include "VssAutomation.h"

#include <QAbstractTableModel>

#include <vector>

class FileListModel : public QAbstractTableModel {
public:
    enum Column { Name, User, Date, Folder, ColumnCount };
    static constexpr int kDeletedRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // Takes the files of the listing (and, with showDeleted, deleted files and projects), sorted
    // by name.
    void fill(const std::vector<VssChildStatus>& children, bool showDeleted);
    void clear();

    const VssChildStatus& entry(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString cell(const VssChildStatus& row, int column) const;

    std::vector<VssChildStatus> rows_;
};
