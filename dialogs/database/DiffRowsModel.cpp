#include "DiffRowsModel.h"

#include <QBrush>
#include <QColor>

namespace {

QStringList toStrings(std::string_view text) {
    QStringList out;
    const auto lines = LineDiff::splitLines(text);
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (std::string_view line : lines)
        out.append(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    return out;
}

enum Column { OldNumber, OldText, NewNumber, NewText, ColumnCount };

} // namespace

DiffRowsModel::DiffRowsModel(std::string_view oldText, std::string_view newText,
                             const LineDiff& diff, QObject* parent)
    : QAbstractTableModel(parent), old_(toStrings(oldText)), new_(toStrings(newText)) {
    rows_.reserve(static_cast<std::size_t>(std::max(old_.size(), new_.size())));
    int oldAt = 0;
    int newAt = 0;
    for (const LineDiff::Hunk& hunk : diff.hunks()) {
        addSame(oldAt, newAt, hunk.oldStart - oldAt);
        addChange(hunk);
        oldAt = hunk.oldStart + hunk.oldCount;
        newAt = hunk.newStart + hunk.newCount;
    }
    addSame(oldAt, newAt, static_cast<int>(old_.size()) - oldAt);
}

void DiffRowsModel::addSame(int oldFrom, int newFrom, int count) {
    for (int i = 0; i < count; ++i)
        rows_.push_back({oldFrom + i, newFrom + i, Kind::Same});
}

void DiffRowsModel::addChange(const LineDiff::Hunk& hunk) {
    changeStarts_.push_back(static_cast<int>(rows_.size()));
    const int paired = std::min(hunk.oldCount, hunk.newCount);
    for (int i = 0; i < paired; ++i)
        rows_.push_back({hunk.oldStart + i, hunk.newStart + i, Kind::Changed});
    for (int i = paired; i < hunk.oldCount; ++i)
        rows_.push_back({hunk.oldStart + i, -1, Kind::Removed});
    for (int i = paired; i < hunk.newCount; ++i)
        rows_.push_back({-1, hunk.newStart + i, Kind::Added});
}

int DiffRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DiffRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DiffRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows_[std::size_t(index.row())];
    const bool oldSide = index.column() == OldNumber || index.column() == OldText;
    const int line = oldSide ? row.oldLine : row.newLine;
    switch (role) {
    case Qt::DisplayRole:
        if (line < 0)
            return QString();
        if (index.column() == OldNumber || index.column() == NewNumber)
            return QString::number(line + 1);
        return oldSide ? old_[line] : new_[line];
    case Qt::BackgroundRole:
        switch (row.kind) {
        case Kind::Same:
            return {};
        case Kind::Changed:
            return QBrush(QColor(255, 244, 176));
        case Kind::Removed:
            return QBrush(oldSide ? QColor(255, 205, 205) : QColor(232, 232, 232));
        case Kind::Added:
            return QBrush(oldSide ? QColor(232, 232, 232) : QColor(200, 240, 200));
        }
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == OldNumber || index.column() == NewNumber)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case KindRole:
        return static_cast<int>(row.kind);
    default:
        return {};
    }
}

QVariant DiffRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case OldNumber:
    case NewNumber:
        return QStringLiteral("Line");
    case OldText:
        return QStringLiteral("SourceSafe");
    case NewText:
        return QStringLiteral("Local");
    default:
        return {};
    }
}
