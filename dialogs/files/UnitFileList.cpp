#include "UnitFileList.h"

#include "VssPath.h"

#include <ui/Application.h>

#include <system/Paths.h>

#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>

namespace {

// Every row of the file list is 16 pixels high, whatever the font.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(16);
        return size;
    }
};

QPushButton* newButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    return button;
}

QLabel* newLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    label->adjustSize();
    return label;
}

} // namespace

TFormFileList::TFormFileList(VssDatabase database, std::string projectBinding) {
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    LabelFiles = newLabel(this, "LabelFiles", "Files");
    ListBoxFileList = new QListWidget(this);
    ListBoxFileList->setObjectName("ListBoxFileList");
    ListBoxFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBoxFileList->setUniformItemSizes(true);
    ListBoxFileList->setItemDelegate(new FixedRowDelegate(ListBoxFileList));
    ButtonOk = newButton(this, "ButtonOk", "OK");
    ButtonOk->setEnabled(false);
    ButtonCancel = newButton(this, "ButtonCancel", "Cancel");
    ButtonHelp = newButton(this, "ButtonHelp", "&Help");
    ButtonAdvanced = newButton(this, "ButtonAdvanced", "&Advanced...");
    LabelLog = newLabel(this, "LabelLog", "Log");
    MemoLog = new QPlainTextEdit(this);
    MemoLog->setObjectName("MemoLog");
    MemoLog->setReadOnly(true);
    MemoLog->setUndoRedoEnabled(false); // a log is read, never edited: no history to keep
    MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setFocusPolicy(Qt::ClickFocus); // not a tab stop

    setDefaultButton(ButtonOk);
    setCancelButton(ButtonCancel);
    setButtonModalResult(ButtonCancel, ui::mrCancel);
    onClick(ButtonOk, [this] { ButtonOkClick(); });
    onClick(ButtonCancel);
    onUserSelect(ListBoxFileList, [this] { ListBoxFileListClick(); });
    onKeyPress(ListBoxFileList, [this](QKeyEvent* key) { ListBoxFileListKeyPress(key); });

    Database = std::move(database);
    ProjectBinding = std::move(projectBinding);
    ProjectItem = Database.item(ProjectBinding, false);
    ProjectItems = ProjectItem.items(false);
    TVssRegistry().ReadProperties(Properties);
}

void TFormFileList::FillFileList(std::optional<std::int32_t> checkOutState,
                                 const std::string& fileName) {
    QStringList names;
    const std::int32_t count = ProjectItems.count();
    for (std::int32_t index = 1; index <= count; ++index) {
        if (checkOutState && ProjectItems.item(index).isCheckedOut() != *checkOutState)
            continue;
        names.append(QString::fromStdString(ProjectItems.item(index).name()));
    }
    ListBoxFileList->addItems(names); // one insertion, so a long list fills in linear time
    SelectFile(fileName);
}

void TFormFileList::SelectFile(const std::string& fileName) {
    const QString name = QString::fromStdString(sys::extractFileName(fileName));
    if (name.isEmpty())
        return;
    for (int row = 0; row < ListBoxFileList->count(); ++row) {
        QListWidgetItem* entry = ListBoxFileList->item(row);
        if (entry->text().compare(name, Qt::CaseInsensitive) == 0) {
            entry->setSelected(true);
            ListBoxFileList->scrollToItem(entry, QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

void TFormFileList::BindDoubleClickToRun() {
    onDoubleClick(ListBoxFileList, [this] { ButtonOkClick(); });
}

void TFormFileList::SetFilesCaption(const char* caption) {
    LabelFiles->setText(QString::fromUtf8(caption));
    LabelFiles->adjustSize();
}

void TFormFileList::formShow() {
    UpdateOkButton();
}

void TFormFileList::ListBoxFileListClick() {
    UpdateOkButton();
}

// No key is treated specially, and the key goes on to the list unchanged.
void TFormFileList::ListBoxFileListKeyPress(QKeyEvent* /*key*/) {
    UpdateOkButton();
}

void TFormFileList::UpdateOkButton() {
    ButtonOk->setEnabled(ListBoxFileList->selectionModel()->hasSelection());
}

void TFormFileList::AppendLog(const std::string& line) {
    if (gathering_)
        pendingLog_.append(QString::fromStdString(line));
    else
        MemoLog->appendPlainText(QString::fromStdString(line));
}

void TFormFileList::Deselect(QListWidgetItem* entry) {
    if (gathering_)
        processedRows_.push_back(ListBoxFileList->row(entry));
    else
        entry->setSelected(false); // not a user event: OK keeps its state
}

void TFormFileList::ShowRunOutcome() {
    gathering_ = false;
    if (!pendingLog_.isEmpty())
        MemoLog->appendPlainText(pendingLog_.join(QChar('\n')));
    pendingLog_.clear();
    // Runs of neighbouring rows become one range each.
    const QAbstractItemModel* model = ListBoxFileList->model();
    QItemSelection processed;
    for (std::size_t first = 0; first < processedRows_.size();) {
        std::size_t last = first;
        while (last + 1 < processedRows_.size() &&
               processedRows_[last + 1] == processedRows_[last] + 1)
            ++last;
        processed.select(model->index(processedRows_[first], 0),
                         model->index(processedRows_[last], 0));
        first = last + 1;
    }
    processedRows_.clear();
    if (!processed.isEmpty()) // not a user event: OK keeps its state
        ListBoxFileList->selectionModel()->select(processed, QItemSelectionModel::Deselect);
}

void TFormFileList::ButtonOkClick() {
    // In the finished state the press of "Close" itself closes the dialog.
    if (buttonModalResult(ButtonOk) == ui::mrOk)
        return;
    {
        // Restored on every way out, also when a lookup below fails and the error leaves.
        ui::BusyCursor busy;
        gathering_ = true;
        try {
            // The server takes the run's changes to disk together, before the run is over.
            VssRun run(Database);
            ReadProject();
            if (const auto call = Operation().CopiesLatest)
                AnnounceCalls(run, *call);
            for (int row = 0; row < ListBoxFileList->count(); ++row) {
                QListWidgetItem* entry = ListBoxFileList->item(row);
                if (entry->isSelected())
                    ProcessEntry(entry);
            }
            run.finish();
        } catch (...) {
            ShowRunOutcome();
            throw;
        }
        ShowRunOutcome();
    }
    SwitchToClose();
}

void TFormFileList::ReadProject() {
    ProjectItem = Database.item(ProjectBinding, false);
    ProjectItems = ProjectItem.items(false);
}

void TFormFileList::AnnounceCalls(VssRun& run, vss::VSSCopyCall call) {
    const std::string project = ProjectItem.spec();
    std::vector<std::string> specs;
    for (int row = 0; row < ListBoxFileList->count(); ++row)
        if (const QListWidgetItem* entry = ListBoxFileList->item(row); entry->isSelected())
            specs.push_back(JoinVssPath(project, entry->text().toStdString()));
    run.announce(call, specs, OperationFlags());
}

void TFormFileList::ProcessEntry(QListWidgetItem* entry) {
    // Outside the per-file guard: a failed lookup ends the run.
    FileItem = ProjectItems.item(entry->text().toStdString());
    const TFileOperation operation = Operation();
    const bool namedBySpec = operation.LineName == TLineName::SourceSafePath;
    std::string fileText;
    try {
        std::string localPath;
        if (operation.NeedsLocalPath || !namedBySpec) {
            localPath = FileItem.localSpec();
            fileText = localPath;
        }
        if (namedBySpec)
            fileText = FileItem.spec();
        AppendLog(operation.OperationLine + fileText);
        OperateOnFile(localPath, OperationFlags());
        Deselect(entry);
    } catch (const std::exception& error) {
        // A local path is used as read; a SourceSafe path is read again, unguarded.
        if (namedBySpec)
            fileText = FileItem.spec();
        AppendLog(operation.FailurePrefix + fileText + " Reason:" + error.what());
    }
}

void TFormFileList::SwitchToClose() {
    ButtonOk->setText(QStringLiteral("Close"));
    setButtonModalResult(ButtonOk, ui::mrOk);
    ButtonOk->setFocus();
    ButtonCancel->setEnabled(false);
    ButtonAdvanced->setEnabled(false);
}
