#include "UnitShareFromSS.h"

#include "FormPlacing.h"
#include "ProjectTree.h"
#include "UnitVssRegistry.h"
#include "ViewCopy.h"
#include "VssPath.h"

#include <ui/Application.h>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <vss/VssInterfaces.h>

#include <cctype>

namespace {

using namespace placing;

constexpr int kLabelHeight = 13;
constexpr int kButtonLeft = 296;
constexpr int kButtonWidth = 73;

constexpr int kRowHeight = 16;
constexpr int kImageLeft = 2;
constexpr int kTextLeft = 22; // image width + 6
constexpr int kDocumentImage = 2;
constexpr std::int32_t kFileType = 1;
constexpr const char kCaption[] = "Source Safe";

constexpr const char* kFileTypes[] = {
    "Any File (*.*)",      "Delphi Project (*.dpr)", "Delphi Unit (*.pas)",
    "Delphi Form (*.dfm)", "Text File (*.txt)",
};

// A sheet with a folded corner, on pure red, the colour the list treats as transparent.
QPixmap drawDocument() {
    QImage image(kRowHeight, kRowHeight, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    QPainter painter(&image);
    painter.setPen(QColor(0, 0, 0));
    painter.setBrush(QColor(255, 255, 255));
    const QPoint sheet[] = {QPoint(3, 1), QPoint(9, 1), QPoint(12, 4), QPoint(12, 14),
                            QPoint(3, 14)};
    painter.drawPolygon(sheet, 5);
    painter.drawLine(9, 1, 9, 4);
    painter.drawLine(9, 4, 12, 4);
    painter.setPen(QColor(128, 128, 128));
    for (int y = 6; y <= 12; y += 2)
        painter.drawLine(5, y, 10, y);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 0, 0), Qt::MaskInColor));
    return pixmap;
}

// Rows are drawn by the dialog's ListBoxFilesDrawItem, 16 pixels high.
class OwnerDrawnRows : public QStyledItemDelegate {
public:
    OwnerDrawnRows(const TFormShareFromSS& form, QObject* parent)
        : QStyledItemDelegate(parent), Form(form) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width() + kTextLeft, kRowHeight};
    }

    // The canvas is prepared as the list prepares it: the selection colours for a selected row.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group =
            option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        painter->save();
        painter->setBrush(
            option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        Form.ListBoxFilesDrawItem(*painter, index.row(), option.rect);
        painter->restore();
    }

private:
    const TFormShareFromSS& Form;
};

// Remembers the tree's current node as each mouse press begins, so that a click can tell
// whether it also changed the selection.
class PressWatcher : public QObject {
public:
    explicit PressWatcher(QTreeWidget* tree) : QObject(tree), Tree(tree) {
        tree->viewport()->installEventFilter(this);
    }
    const QTreeWidgetItem* CurrentAtPress = nullptr; // compared, never used

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress)
            CurrentAtPress = Tree->currentItem();
        return false;
    }

private:
    QTreeWidget* Tree;
};

bool sameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// Classic wildcard walk: on a mismatch, let the last "*" take one more character.
bool globMatch(const std::string& name, const std::string& mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() &&
            (mask[m] == '?' || (mask[m] != '*' && sameLetter(mask[m], name[n])))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace

TFormShareFromSS::TFormShareFromSS(VssDatabase database, const std::string& binding)
    : Database(std::move(database)) {
    CreateControls();
    TargetProject = Database.item(binding, false);
    setWindowTitle(QString::fromStdString("Share With " + binding));
    // The root's selection is handled here rather than by the tree's signal, so that a read
    // error ends construction instead of reaching the error display.
    Opening = true;
    Tree->Open();
    Opening = false;
    TreeVProjectsChange();
    RecursiveFlag = vss::FlagRecursiveNo;
    ComboBoxFileTypes->setCurrentIndex(0);
    ComboBoxFileTypesChange();
}

// The tree outlives this part of the dialog: its last signals must not reach it.
TFormShareFromSS::~TFormShareFromSS() {
    TreeVProjects->disconnect(this);
}

void TFormShareFromSS::CreateControls() {
    setObjectName("FormShareFromSS");
    setWindowTitle("Share From Source Safe");
    setClientSize(377, 374);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    ImageListFolders = {TFolderImages::Image(TFolderImages::ClosedFolder),
                        TFolderImages::Image(TFolderImages::OpenFolder), drawDocument()};

    LabelFileTypes = label(this, "LabelFileTypes", "List files of type:", 8, 8, 120, kLabelHeight);
    ComboBoxFileTypes = place<QComboBox>(this, "ComboBoxFileTypes", 8, 24, 120, 21);
    ComboBoxFileTypes->setEditable(false);
    for (const char* type : kFileTypes)
        ComboBoxFileTypes->addItem(QString::fromUtf8(type));
    ListBoxFiles = place<QListWidget>(this, "ListBoxFiles", 8, 52, 120, 180);
    ListBoxFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBoxFiles->setUniformItemSizes(true);
    ListBoxFiles->setItemDelegate(new OwnerDrawnRows(*this, ListBoxFiles));

    LabelProjects = label(this, "LabelProjects", "Project:", 136, 8, 152, kLabelHeight);
    LabelProject = label(this, "LabelProject", "$/Proj/Batch/Src", 136, 24, 152, kLabelHeight);
    TreeVProjects = place<QTreeWidget>(this, "TreeVProjects", 136, 44, 152, 188);
    Tree = new TProjectTree(*this, TreeVProjects, Database);

    ButtonClose = button(this, "ButtonClose", "Close", kButtonLeft, 8, kButtonWidth);
    ButtonShare = button(this, "ButtonShare", "&Share", kButtonLeft, 40, kButtonWidth);
    ButtonView = button(this, "ButtonView", "Vie&w", kButtonLeft, 72, kButtonWidth);
    ButtonView->setEnabled(false);
    ButtonHelp = button(this, "ButtonHelp", "Help", kButtonLeft, 104, kButtonWidth);
    CBoxRecursive = place<QCheckBox>(this, "CBoxRecursive", 296, 212, 73, 17);
    CBoxRecursive->setText("Recursive");

    LabelLog = label(this, "LabelLog", "Log:", 8, 240, 60, kLabelHeight);
    MemoLog = place<QPlainTextEdit>(this, "MemoLog", 8, 256, 361, 110);
    MemoLog->setReadOnly(true);
    MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    setTabOrder(TreeVProjects, ComboBoxFileTypes);
    setTabOrder(ComboBoxFileTypes, ListBoxFiles);
    setTabOrder(ListBoxFiles, ButtonClose);
    setTabOrder(ButtonClose, ButtonShare);
    setTabOrder(ButtonShare, ButtonView);
    setTabOrder(ButtonView, ButtonHelp);
    setTabOrder(ButtonHelp, CBoxRecursive);
    setTabOrder(CBoxRecursive, MemoLog);

    setDefaultButton(ButtonShare);
    setCancelButton(ButtonClose);
    setButtonModalResult(ButtonClose, ui::mrOk);
    onClick(ButtonClose);
    onClick(ButtonShare, [this] { ButtonShareClick(); });
    onClick(ButtonView, [this] { ButtonViewClick(); });
    onClick(ButtonHelp, [] {});
    onClick(CBoxRecursive, [this] { CBoxRecursiveClick(); });
    onChoice(ComboBoxFileTypes, [this] { ComboBoxFileTypesChange(); });
    onUserSelect(ListBoxFiles, [this] { ListBoxFilesClick(); });
    // A new selection runs the handler, whoever makes it: opening the tree selects the root.
    connect(TreeVProjects, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node != nullptr && !Opening)
            runHandler([this] { TreeVProjectsChange(); });
    });
    // A click that selects another node has been answered by the selection change already:
    // the list is read once per click.
    auto* presses = new PressWatcher(TreeVProjects);
    connect(TreeVProjects, &QTreeWidget::itemClicked, this, [this, presses] {
        if (TreeVProjects->currentItem() == presses->CurrentAtPress)
            runHandler([this] { TreeVProjectsClick(); });
    });
    TreeVProjects->setFocus();
}

std::string TFormShareFromSS::FileTypeMask(const std::string& text) {
    const std::size_t open = text.find('(');
    const std::size_t close = text.find(')');
    if (open == std::string::npos && close == std::string::npos)
        return text;
    if (close == std::string::npos)
        return {};
    const std::size_t begin = open == std::string::npos ? 0 : open + 1;
    return close > begin ? text.substr(begin, close - begin) : std::string();
}

bool TFormShareFromSS::MatchesMask(const std::string& name, const std::string& mask) {
    if (globMatch(name, mask))
        return true;
    return mask.ends_with(".*") && name.find('.') == std::string::npos &&
           globMatch(name, mask.substr(0, mask.size() - 2));
}

std::string TFormShareFromSS::SelectedPath() const {
    return TProjectTree::NodePath(Tree->Selected());
}

int TFormShareFromSS::SelectedFileCount() const {
    return static_cast<int>(ListBoxFiles->selectedItems().size());
}

// Read anew on every call: nothing of the list is cached.
void TFormShareFromSS::RefreshFileList() {
    const VssItems children = Database.item(SelectedPath(), false).items(false);
    ListBoxFiles->clear();
    const std::string mask = FileTypeMask(ComboBoxFileTypes->currentText().toStdString());
    QStringList names;
    try {
        const std::int32_t count = children.count();
        for (std::int32_t index = 1; index <= count; ++index) {
            const VssItem child = children.item(index);
            if (child.type() != kFileType)
                continue;
            const std::string name = child.name();
            if (MatchesMask(name, mask))
                names.append(QString::fromStdString(name));
        }
    } catch (...) {
        ListBoxFiles->addItems(names); // a failing read leaves the rows read before it
        throw;
    }
    ListBoxFiles->addItems(names); // one insertion, so a large project fills in linear time
}

void TFormShareFromSS::TreeVProjectsChange() {
    LabelProject->setText(QString::fromStdString(SelectedPath()));
    RefreshFileList();
}

void TFormShareFromSS::TreeVProjectsClick() {
    TreeVProjectsChange();
}

void TFormShareFromSS::ComboBoxFileTypesChange() {
    RefreshFileList();
}

void TFormShareFromSS::ListBoxFilesClick() {
    const int selected = SelectedFileCount();
    CBoxRecursive->setEnabled(selected == 0);
    ButtonView->setEnabled(selected == 1);
}

void TFormShareFromSS::CBoxRecursiveClick() {
    RecursiveFlag = CBoxRecursive->isChecked() ? vss::FlagRecursiveYes : vss::FlagRecursiveNo;
}

void TFormShareFromSS::ListBoxFilesDrawItem(QPainter& canvas, int index, const QRect& rect) const {
    canvas.fillRect(rect, canvas.brush());
    canvas.drawPixmap(rect.left() + kImageLeft, rect.top(), ImageListFolders[kDocumentImage]);
    const QListWidgetItem* row = ListBoxFiles->item(index);
    if (row == nullptr)
        return;
    canvas.drawText(
        QRect(rect.left() + kTextLeft, rect.top(), rect.width() - kTextLeft, rect.height()),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, row->text());
}

void TFormShareFromSS::AppendLog(const std::string& line) {
    MemoLog->appendPlainText(QString::fromStdString(line));
}

void TFormShareFromSS::ButtonShareClick() {
    if (SelectedFileCount() > 0)
        ShareFiles();
    else
        ShareProject();
}

// The log is emptied first; a failing share ends the run with the lines written so far.
void TFormShareFromSS::ShareFiles() {
    const std::string question =
        "Do you want to share selected files with " + TargetProject.spec() + " ?";
    if (ui::Application::instance().messageBox(question, kCaption,
                                               ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    MemoLog->clear();
    ui::BusyCursor busy;
    const std::string folder = SelectedPath();
    for (int row = 0; row < ListBoxFiles->count(); ++row) {
        const QListWidgetItem* entry = ListBoxFiles->item(row);
        if (!entry->isSelected())
            continue;
        const VssItem source =
            Database.item(JoinVssPath(folder, entry->text().toStdString()), false);
        TargetProject.share(source, "", 0);
        AppendLog("Shared " + source.spec() + " with " + TargetProject.spec());
    }
}

void TFormShareFromSS::ShareProject() {
    const std::string question =
        "Do you want to share selected project with " + TargetProject.spec() + " ?";
    if (ui::Application::instance().messageBox(question, kCaption,
                                               ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    ui::BusyCursor busy;
    const VssItem source = Database.item(SelectedPath(), false);
    TargetProject.share(source, "", RecursiveFlag);
    AppendLog("Shared " + source.spec() + " with " + TargetProject.spec());
}

// The latest version goes into a new private temporary file that the viewer (or the desktop's
// program for a binary file) opens; the file stays, since the viewer may still read it.
void TFormShareFromSS::ButtonViewClick() {
    const QList<QListWidgetItem*> selected = ListBoxFiles->selectedItems();
    if (selected.size() != 1)
        return;
    TVSSProperties properties;
    TVssRegistry().ReadProperties(properties);
    const VssItem item =
        Database.item(JoinVssPath(SelectedPath(), selected.front()->text().toStdString()), false);
    std::string local = NewViewCopyFile(item.name()).string();
    // The empty file is ours, made a moment ago: the server replaces it.
    item.get(local, vss::FlagReplace);
    ShowViewCopy(properties.Viewer, local, item.binary(), kCaption);
}
