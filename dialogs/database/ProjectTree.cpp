#include "ProjectTree.h"

#include <ui/Form.h>

#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QTreeWidget>

#include <array>

namespace {

constexpr int kIndent = 19;
constexpr int kImageSize = 16;
constexpr std::int32_t kProjectType = 0;

// A manila folder; the open one shows its front flap tilted down.
QImage drawFolder(bool open) {
    QImage image(kImageSize, kImageSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor outline(128, 96, 0);
    const QColor back(255, 224, 120);
    const QColor front(255, 240, 170);
    painter.setPen(outline);
    painter.setBrush(back);
    QPainterPath body;
    body.moveTo(1, 3);
    body.lineTo(6, 3);
    body.lineTo(7, 5);
    body.lineTo(14, 5);
    body.lineTo(14, 13);
    body.lineTo(1, 13);
    body.closeSubpath();
    painter.drawPath(body);
    painter.setBrush(front);
    if (open) {
        const std::array<QPoint, 4> flap{QPoint(3, 7), QPoint(15, 7), QPoint(13, 13),
                                         QPoint(1, 13)};
        painter.drawPolygon(flap.data(), static_cast<int>(flap.size()));
    } else {
        painter.drawRect(1, 6, 13, 7);
    }
    painter.end();
    return image;
}

QIcon nodeIcon(int selectedImage) {
    QIcon icon;
    icon.addPixmap(TFolderImages::Image(TFolderImages::ClosedFolder), QIcon::Normal);
    icon.addPixmap(TFolderImages::Image(selectedImage), QIcon::Selected);
    return icon;
}

} // namespace

// Kept as images: a pixmap belongs to the running GUI application and must not outlive it.
QPixmap TFolderImages::Image(int index) {
    static const std::array<QImage, 2> images{drawFolder(false), drawFolder(true)};
    return QPixmap::fromImage(images.at(static_cast<std::size_t>(index)));
}

TProjectTree::TProjectTree(ui::Form& form, QTreeWidget* tree, VssDatabase database)
    : QObject(tree), Form_(form), Tree_(tree),
      Database(std::move(database)), Icons{nodeIcon(TFolderImages::ClosedFolder),
                                           nodeIcon(TFolderImages::OpenFolder)} {
    Tree_->setIndentation(kIndent);
    Tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tree_->setHeaderHidden(true);
    Tree_->setColumnCount(1);
    Tree_->setRootIsDecorated(true);
    Tree_->setIconSize(QSize(kImageSize, kImageSize));
    Tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(Tree_, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { UserExpanded(node); });
}

void TProjectTree::Open() {
    QTreeWidgetItem* root = AddNode(nullptr, QStringLiteral("$"), TFolderImages::ClosedFolder);
    LoadSubprojects(root);
    if (Expanding(root)) {
        Expanding_ = true;
        root->setExpanded(true);
        Expanding_ = false;
    }
    Tree_->setCurrentItem(root);
}

std::string TProjectTree::NodePath(const QTreeWidgetItem* node) {
    std::string path;
    for (; node != nullptr; node = node->parent())
        path = node->text(0).toStdString() + "/" + path;
    return path;
}

QTreeWidgetItem* TProjectTree::Selected() const {
    return Tree_->currentItem();
}

QTreeWidgetItem* TProjectTree::Root() const {
    return Tree_->topLevelItem(0);
}

// Having children is the node's only marker: a node found to have no sub-projects has none and
// is asked again next time.
void TProjectTree::LoadSubprojects(QTreeWidgetItem* node) {
    if (node->childCount() > 0)
        return;
    const VssItems children = Database.item(NodePath(node), false).items(false);
    const std::int32_t count = children.count();
    QList<QTreeWidgetItem*> projects;
    for (std::int32_t index = 1; index <= count; ++index) {
        // One fetch per child: its type, and for a project its name.
        const VssItem child = children.item(index);
        if (child.type() != kProjectType)
            continue;
        projects.append(NewNode(QString::fromStdString(child.name()), TFolderImages::OpenFolder));
    }
    node->addChildren(projects); // one insertion, so a wide project fills in linear time
}

bool TProjectTree::Expanding(QTreeWidgetItem* node) {
    if (node->childCount() == 0)
        return false;
    for (int index = 0; index < node->childCount(); ++index)
        LoadSubprojects(node->child(index));
    return true;
}

QTreeWidgetItem* TProjectTree::AddCreatedNode(QTreeWidgetItem* parent, const std::string& name) {
    QTreeWidgetItem* node =
        AddNode(parent, QString::fromStdString(name), TFolderImages::ClosedFolder);
    Tree_->setCurrentItem(node);
    return node;
}

QTreeWidgetItem* TProjectTree::NewNode(const QString& text, int selectedImage) const {
    auto* node = new QTreeWidgetItem(QStringList(text));
    node->setFlags(node->flags() & ~Qt::ItemIsEditable);
    node->setIcon(0, Icons.at(static_cast<std::size_t>(selectedImage)));
    return node;
}

QTreeWidgetItem* TProjectTree::AddNode(QTreeWidgetItem* parent, const QString& text,
                                       int selectedImage) {
    QTreeWidgetItem* node = NewNode(text, selectedImage);
    if (parent != nullptr)
        parent->addChild(node);
    else
        Tree_->addTopLevelItem(node);
    return node;
}

// The view has already expanded the node when it reports it; a refused or failed expansion is
// taken back.
void TProjectTree::UserExpanded(QTreeWidgetItem* node) {
    if (Expanding_)
        return;
    bool allowed = false;
    Form_.runHandler([&] { allowed = Expanding(node); });
    if (!allowed)
        Collapse(node);
}

void TProjectTree::Collapse(QTreeWidgetItem* node) {
    Expanding_ = true;
    node->setExpanded(false);
    Expanding_ = false;
}
