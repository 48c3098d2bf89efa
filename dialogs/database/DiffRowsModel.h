// The side-by-side rows of a line comparison, for a table: line number and text of the old
// side, line number and text of the new side. Unchanged lines pair up; inside a changed region
// old and new lines pair up in order, and the longer side's rest stands alone.
#pragma once

#include "LineDiff.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

class DiffRowsModel : public QAbstractTableModel {
public:
    enum class Kind { Same, Changed, Removed, Added };
    // Qt::UserRole of any cell gives the row's kind as an int.
    static constexpr int KindRole = Qt::UserRole;

    DiffRowsModel(std::string_view oldText, std::string_view newText, const LineDiff& diff,
                  QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    Kind kind(int row) const { return rows_[std::size_t(row)].kind; }
    // The first row of each changed region, in order.
    const std::vector<int>& changeStarts() const { return changeStarts_; }

private:
    struct Row {
        int oldLine = -1; // 0-based; -1 when the side has no line here
        int newLine = -1;
        Kind kind = Kind::Same;
    };
    void addSame(int oldFrom, int newFrom, int count);
    void addChange(const LineDiff::Hunk& hunk);

    QStringList old_;
    QStringList new_;
    std::vector<Row> rows_;
    std::vector<int> changeStarts_;
};
