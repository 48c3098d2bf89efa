#include "TreeFixture.h"

#include <QTest>
#include <QTreeWidget>

void TreeFixture::SetUp() {
    const auto folder = env.createDatabase();
    for (const char* project : {"$/A", "$/A/A1", "$/A/A1/A1x", "$/A/A2", "$/B"})
        env.ss({"mkproj", project});
    work = env.root() / "work";
    env.ss({"add", "$/", env.write(work / "F.pas", "unit F;\n").string()});

    server = CoVSSDatabase::Create();
    server.open((folder / "srcsafe.ini").string(), testenv::TestEnvironment::currentUser(), "");
    database = VssDatabase(testenv::wrapDatabase(server.raw(), plan));
}

void TreeFixture::TearDown() {
    EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
    EXPECT_TRUE(driver.idle()) << "scripted answers or forms left over";
}

std::vector<std::string> TreeFixture::lookedUp() const {
    std::vector<std::string> specs;
    for (const auto& call : plan->callsOf("get_VSSItem"))
        specs.push_back(call.item);
    return specs;
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const char* text) {
    if (parent == nullptr)
        return nullptr;
    for (int index = 0; index < parent->childCount(); ++index)
        if (parent->child(index)->text(0) == QString::fromUtf8(text))
            return parent->child(index);
    return nullptr;
}

std::vector<std::string> childTexts(const QTreeWidgetItem* node) {
    std::vector<std::string> texts;
    for (int index = 0; index < node->childCount(); ++index)
        texts.push_back(node->child(index)->text(0).toStdString());
    return texts;
}

void expandByKey(QTreeWidget* tree, QTreeWidgetItem* node) {
    tree->setCurrentItem(node);
    QTest::keyClick(tree, Qt::Key_Plus);
}
