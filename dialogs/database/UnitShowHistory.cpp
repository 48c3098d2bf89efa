#include "UnitShowHistory.h"

#include "FormPlacing.h"
#include "UnitShowDifferences.h"
#include "UnitVssRegistry.h"
#include "ViewCopy.h"

#include <ui/Application.h>

#include <QContextMenuEvent>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>

#include <stdexcept>

namespace {

constexpr char kCaption[] = "Source Safe";
constexpr int kNumberRole = Qt::UserRole;

using namespace placing;

constexpr int kButtonLeft = 468;
constexpr int kButtonWidth = 75;

// The extension of a SourceSafe name, from its last "." on; empty when it has none.
// A label version shows its label where other versions show what happened.
QString actionText(const VssVersion& version) {
    const std::string label = version.label();
    if (!label.empty())
        return QStringLiteral("Label: \"%1\"").arg(QString::fromStdString(label));
    return QString::fromStdString(version.action());
}

void writeWhole(const std::string& path, const std::string& content) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(content.data(), static_cast<qint64>(content.size())) !=
            static_cast<qint64>(content.size()) ||
        !file.commit())
        throw std::runtime_error("Cannot write " + path + ": " + file.errorString().toStdString());
}

} // namespace

TFormShowHistory::TFormShowHistory(const VssDatabase& database, const std::string& binding,
                                   const std::string& fileName)
    : Database(database), LocalPath(fileName) {
    CreateControls();
    HistoryItem = Database.item(binding + "/" + FileNamePart(fileName), false);
    HistoryVersions = HistoryItem.versions(0);
    FillHistory();
}

TFormShowHistory::~TFormShowHistory() = default;

void TFormShowHistory::CreateControls() {
    setObjectName("FormShowHistory");
    setWindowTitle("Show History");
    resize(555, 348);

    LabelHistory = label(this, "LabelHistory", "History:", 8, 8, 100, 17);
    ListViewHistory = place<QTreeWidget>(this, "ListViewHistory", 8, 24, 449, 313);
    ListViewHistory->setRootIsDecorated(false);
    ListViewHistory->setItemsExpandable(false);
    ListViewHistory->setUniformRowHeights(true);
    ListViewHistory->setAllColumnsShowFocus(true);
    ListViewHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewHistory->setHeaderLabels({"Version", "User", "Date", "Action"});
    ListViewHistory->header()->setStretchLastSection(false);
    const int widths[] = {70, 80, 120, 150};
    for (int column = 0; column < 4; ++column)
        ListViewHistory->setColumnWidth(column, widths[column]);
    ListViewHistory->setContextMenuPolicy(Qt::CustomContextMenu);

    ButtonClose = button(this, "ButtonClose", "Close", kButtonLeft, 24, kButtonWidth);
    ButtonView = button(this, "ButtonView", "View", kButtonLeft, 56, kButtonWidth);
    Button3 = button(this, "Button3", "Button3", kButtonLeft, 88, kButtonWidth);
    Button4 = button(this, "Button4", "Button4", kButtonLeft, 120, kButtonWidth);
    Button5 = button(this, "Button5", "Button5", kButtonLeft, 152, kButtonWidth);
    setTabOrder(ListViewHistory, ButtonClose);
    setTabOrder(ButtonClose, ButtonView);
    setTabOrder(ButtonView, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Button5);

    setCancelButton(ButtonClose);
    setButtonModalResult(ButtonClose, ui::mrOk);
    onClick(ButtonClose);
    onClick(ButtonView, [this] { ButtonViewClick(); });
    onDoubleClick(ListViewHistory, [this] { ButtonViewClick(); });
    connect(ListViewHistory, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (SelectedVersion() == 0)
            return;
        QMenu menu(this);
        QAction* compare = menu.addAction(QStringLiteral("Show &Differences..."));
        if (menu.exec(ListViewHistory->viewport()->mapToGlobal(at)) == compare)
            runHandler([this] { ShowDifferencesOfSelected(); });
    });
}

// Rows are made first and added in one call: the list lays itself out once.
void TFormShowHistory::FillHistory() {
    const QLocale locale;
    const std::int32_t count = HistoryVersions.count();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(count);
    for (std::int32_t i = 1; i <= count; ++i) {
        const VssVersion version = HistoryVersions.item(i);
        const std::int32_t number = version.versionNumber();
        const QDateTime date = QDateTime::fromSecsSinceEpoch(version.date());
        auto* row = new QTreeWidgetItem(
            QStringList{QString::number(number), QString::fromStdString(version.userName()),
                        locale.toString(date, QLocale::ShortFormat), actionText(version)});
        row->setData(0, kNumberRole, number);
        rows.append(row);
    }
    ListViewHistory->addTopLevelItems(rows);
}

std::int32_t TFormShowHistory::SelectedVersion() const {
    const QList<QTreeWidgetItem*> selected = ListViewHistory->selectedItems();
    return selected.isEmpty() ? 0 : selected.front()->data(0, kNumberRole).toInt();
}

void TFormShowHistory::ButtonViewClick() {
    if (const std::int32_t version = SelectedVersion())
        ViewVersion(version);
}

// The version goes into a new private temporary file that the viewer (or the desktop's program
// for a binary file) opens; the file stays, since the viewer may still read it.
void TFormShowHistory::ViewVersion(std::int32_t version) {
    TVSSProperties properties;
    TVssRegistry().ReadProperties(properties);
    const std::string content = HistoryItem.readVersion(version);
    const std::string local = NewViewCopyFile(HistoryItem.name()).string();
    writeWhole(local, content);
    ShowViewCopy(properties.Viewer, local, HistoryItem.binary(), kCaption);
}

void TFormShowHistory::ShowDifferencesOfSelected() {
    if (const std::int32_t version = SelectedVersion())
        TFormShowDifferences(HistoryItem, version, LocalPath).showModal();
}
