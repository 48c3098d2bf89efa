// The project tree on its own, in a bare form, against a real database.
#include "ProjectTree.h"

#include "TreeFixture.h"

#include <ui/Form.h>

#include <QTreeWidget>

namespace {

using Strings = std::vector<std::string>;

class ProjectTreeTest : public TreeFixture {
protected:
    ProjectTreeTest() {
        tree->setObjectName("TreeVProjects");
        tree->resize(200, 300);
    }
    TProjectTree& open() {
        projects = std::make_unique<TProjectTree>(form, tree, database);
        projects->Open();
        return *projects;
    }

    ui::Form form;
    QTreeWidget* tree = new QTreeWidget(&form);
    std::unique_ptr<TProjectTree> projects;
};

bool sameImage(const QIcon& icon, QIcon::Mode mode, int image) {
    return icon.pixmap(16, 16, mode).toImage() == TFolderImages::Image(image).toImage();
}

TEST_F(ProjectTreeTest, OpeningReadsTheRootsProjectsAndTheirsOnly) {
    open();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(root->text(0), "$");
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(tree->currentItem(), root);
    EXPECT_EQ(childTexts(root), (Strings{"A", "B"})); // the file F.pas is no node
    EXPECT_EQ(childTexts(childNamed(root, "A")), (Strings{"A1", "A2"}));
    EXPECT_EQ(childTexts(childNamed(childNamed(root, "A"), "A1")), Strings{}); // A1x not read
    EXPECT_EQ(lookedUp(), (Strings{"$/", "$/A/", "$/B/"}));
}

TEST_F(ProjectTreeTest, NodePathIsTheChainOfTextsEndingInASlash) {
    open();
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QTreeWidgetItem* a = childNamed(root, "A");
    EXPECT_EQ(TProjectTree::NodePath(root), "$/");
    EXPECT_EQ(TProjectTree::NodePath(a), "$/A/");
    EXPECT_EQ(TProjectTree::NodePath(childNamed(a, "A1")), "$/A/A1/");
}

TEST_F(ProjectTreeTest, ExpandingANodeReadsItsGrandchildrenOnce) {
    open();
    QTreeWidgetItem* a = childNamed(tree->topLevelItem(0), "A");
    plan->clearCalls();
    expandByKey(tree, a);
    EXPECT_TRUE(a->isExpanded());
    EXPECT_EQ(childTexts(childNamed(a, "A1")), Strings{"A1x"});
    EXPECT_EQ(lookedUp(), (Strings{"$/A/A1/", "$/A/A2/"}));

    // Again: A1 has its children and is not read; A2 has none and is asked again.
    a->setExpanded(false);
    plan->clearCalls();
    expandByKey(tree, a);
    EXPECT_EQ(lookedUp(), Strings{"$/A/A2/"});
    EXPECT_EQ(childTexts(childNamed(a, "A1")), Strings{"A1x"});
}

TEST_F(ProjectTreeTest, ANodeWithoutSubprojectsHasNoExpandButtonAndRefusesExpansion) {
    open();
    QTreeWidgetItem* b = childNamed(tree->topLevelItem(0), "B");
    EXPECT_EQ(b->childCount(), 0);
    EXPECT_EQ(b->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    plan->clearCalls();
    expandByKey(tree, b);
    EXPECT_FALSE(b->isExpanded());
    b->setExpanded(true);
    EXPECT_FALSE(b->isExpanded());
    EXPECT_EQ(lookedUp(), Strings{});
}

TEST_F(ProjectTreeTest, AnErrorWhileExpandingIsShownAndTheNodeStaysClosed) {
    open();
    QTreeWidgetItem* a = childNamed(tree->topLevelItem(0), "A");
    plan->fail("get_VSSItem", "Cannot read the project", "$/A/A2/");
    expandByKey(tree, a);
    EXPECT_FALSE(a->isExpanded());
    EXPECT_EQ(driver.errors(), Strings{"Cannot read the project"});
}

TEST_F(ProjectTreeTest, AnErrorWhileOpeningLeavesOpen) {
    plan->fail("get_Items", "The database is locked");
    EXPECT_THROW(open(), EVssError);
}

TEST_F(ProjectTreeTest, LooksAndImages) {
    open();
    EXPECT_EQ(tree->indentation(), 19);
    EXPECT_EQ(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QTreeWidgetItem* a = childNamed(root, "A");
    QTreeWidgetItem* created = projects->AddCreatedNode(a, "New");
    EXPECT_EQ(tree->currentItem(), created);
    EXPECT_EQ(TProjectTree::NodePath(created), "$/A/New/");
    struct Case {
        const char* what;
        QTreeWidgetItem* node;
        int selectedImage;
    };
    for (const Case& c : {Case{"root", root, TFolderImages::ClosedFolder},
                          Case{"read", a, TFolderImages::OpenFolder},
                          Case{"created", created, TFolderImages::ClosedFolder}}) {
        EXPECT_FALSE(c.node->flags() & Qt::ItemIsEditable) << c.what;
        const QIcon icon = c.node->icon(0);
        EXPECT_TRUE(sameImage(icon, QIcon::Normal, TFolderImages::ClosedFolder)) << c.what;
        EXPECT_TRUE(sameImage(icon, QIcon::Selected, c.selectedImage)) << c.what;
    }
    EXPECT_EQ(TFolderImages::Image(0).size(), QSize(16, 16));
    EXPECT_NE(TFolderImages::Image(0).toImage(), TFolderImages::Image(1).toImage());
}

} // namespace
