#include "UnitShowDifferences.h"

#include "DiffRowsModel.h"
#include "LineDiff.h"

#include <QFile>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTableView>

#include <stdexcept>

namespace {

constexpr int kButtonWidth = 75;
constexpr int kMargin = 8;

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
    auto* result = new QPushButton(QString::fromUtf8(caption), parent);
    result->setObjectName(name);
    result->setAutoDefault(false);
    return result;
}

std::string readLocal(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read the local file " + path + ": " +
                                 file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString changesText(std::size_t count) {
    return count == 1 ? QStringLiteral("1 change.") : QStringLiteral("%1 changes.").arg(count);
}

} // namespace

std::string FileNamePart(const std::string& fileName) {
    const std::size_t cut = fileName.find_last_of("\\/:");
    return cut == std::string::npos ? fileName : fileName.substr(cut + 1);
}

TFormShowDifferences::TFormShowDifferences(const VssItem& item, std::int32_t version,
                                           const std::string& localPath)
    : Item(item) {
    CreateControls();
    const std::int32_t shown = version == 0 ? Item.versionNumber() : version;
    LabelOld->setText(
        QStringLiteral("%1, version %2").arg(QString::fromStdString(Item.spec())).arg(shown));
    LabelNew->setText(QString::fromStdString(localPath));
    if (Item.binary()) {
        ShowBinary();
        return;
    }
    Compare(Item.readVersion(version), readLocal(localPath));
}

TFormShowDifferences::~TFormShowDifferences() = default;

void TFormShowDifferences::CreateControls() {
    setObjectName("FormShowDifferences");
    setWindowTitle("Show Differences");
    setSizeGripEnabled(true);
    resize(760, 480);
    setMinimumSize(400, 200);

    LabelOld = new QLabel(this);
    LabelOld->setObjectName("LabelOld");
    LabelNew = new QLabel(this);
    LabelNew->setObjectName("LabelNew");
    for (QLabel* label : {LabelOld, LabelNew})
        label->setTextFormat(Qt::PlainText);
    GridDifferences = new QTableView(this);
    GridDifferences->setObjectName("GridDifferences");
    GridDifferences->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    GridDifferences->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridDifferences->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridDifferences->setSelectionMode(QAbstractItemView::SingleSelection);
    GridDifferences->setShowGrid(false);
    GridDifferences->setWordWrap(false);
    GridDifferences->verticalHeader()->hide();
    GridDifferences->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GridDifferences->verticalHeader()->setDefaultSectionSize(
        QFontMetrics(GridDifferences->font()).height() + 2);
    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName("LabelStatus");
    ButtonPrevious = button(this, "ButtonPrevious", "&Previous");
    ButtonNext = button(this, "ButtonNext", "&Next");
    ButtonClose = button(this, "ButtonClose", "Close");

    setTabOrder(GridDifferences, ButtonNext);
    setTabOrder(ButtonNext, ButtonPrevious);
    setTabOrder(ButtonPrevious, ButtonClose);
    setCancelButton(ButtonClose);
    setButtonModalResult(ButtonClose, ui::mrOk);
    onClick(ButtonClose);
    onClick(ButtonNext, [this] { GoToChange(CurrentChange + 1); });
    onClick(ButtonPrevious, [this] { GoToChange(CurrentChange - 1); });
}

void TFormShowDifferences::Compare(const std::string& oldText, const std::string& newText) {
    const LineDiff diff(oldText, newText);
    if (diff.binary()) {
        ShowBinary();
        return;
    }
    Rows = new DiffRowsModel(oldText, newText, diff, this);
    GridDifferences->setModel(Rows);
    QHeaderView* header = GridDifferences->horizontalHeader();
    const int numberWidth = QFontMetrics(GridDifferences->font()).horizontalAdvance("000000") + 8;
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->resizeSection(0, numberWidth);
    header->resizeSection(2, numberWidth);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    LabelStatus->setText(diff.identical() ? QStringLiteral("The files are identical.")
                                          : changesText(Rows->changeStarts().size()));
    UpdateButtons();
    if (!diff.identical())
        GoToChange(0);
}

// A file stored as binary, or content with NUL bytes, has no lines to compare.
void TFormShowDifferences::ShowBinary() {
    LabelStatus->setText(QStringLiteral("%1 is a binary file; its differences cannot be shown.")
                             .arg(QString::fromStdString(Item.name())));
    UpdateButtons();
}

void TFormShowDifferences::GoToChange(int change) {
    if (Rows == nullptr || change < 0 || change >= static_cast<int>(Rows->changeStarts().size()))
        return;
    CurrentChange = change;
    const QModelIndex first = Rows->index(Rows->changeStarts()[std::size_t(change)], 1);
    GridDifferences->setCurrentIndex(first);
    GridDifferences->scrollTo(first, QAbstractItemView::PositionAtCenter);
    LabelStatus->setText(
        QStringLiteral("Change %1 of %2.").arg(change + 1).arg(Rows->changeStarts().size()));
    UpdateButtons();
}

void TFormShowDifferences::UpdateButtons() {
    const int count = Rows ? static_cast<int>(Rows->changeStarts().size()) : 0;
    ButtonNext->setEnabled(CurrentChange + 1 < count);
    ButtonPrevious->setEnabled(CurrentChange > 0);
}

// The labels and buttons keep their places along the edges; the comparison takes the rest.
void TFormShowDifferences::resizeEvent(QResizeEvent* event) {
    ui::Form::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int gridWidth = w - 3 * kMargin - kButtonWidth;
    LabelOld->setGeometry(kMargin, kMargin, gridWidth / 2, 17);
    LabelNew->setGeometry(kMargin + gridWidth / 2, kMargin, gridWidth - gridWidth / 2, 17);
    GridDifferences->setGeometry(kMargin, 30, gridWidth, h - 30 - 34);
    LabelStatus->setGeometry(kMargin, h - 26, gridWidth, 17);
    const int x = w - kMargin - kButtonWidth;
    ButtonNext->setGeometry(x, 30, kButtonWidth, 25);
    ButtonPrevious->setGeometry(x, 60, kButtonWidth, 25);
    ButtonClose->setGeometry(x, h - 33, kButtonWidth, 25);
}
