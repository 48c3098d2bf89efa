// The add-project dialog against a real database: the tree, the name, Create, the question and
// the binding it leaves on disk and in SourceSafe.
#include "UnitAddProject.h"

#include "TreeFixture.h"

#include <system/System.h>
#include <ui/Application.h>
#include <ui/Form.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <functional>

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class AddProjectTest : public TreeFixture {
protected:
    void SetUp() override {
        TreeFixture::SetUp();
        folder = work / "Demo";
        projectFile = env.write(folder / "Demo.dpr", "program Demo;\nend.\n").string();
    }
    // Shows the dialog modally with the action inside its loop; returns the modal result.
    int run(TFormAddProject& form, std::function<void(TFormAddProject&)> action) {
        driver.drive([action](ui::Form& shown) { action(static_cast<TFormAddProject&>(shown)); });
        return form.showModal();
    }
    fs::path bindingFile() const { return folder / "Delphi.Vss"; }
    bool exists(const std::string& spec) const {
        try {
            server.item(spec, false);
            return true;
        } catch (const EVssError&) {
            return false;
        }
    }

    fs::path folder;
    std::string projectFile;
};

void click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

void pick(QTreeWidget* tree, QTreeWidgetItem* node) {
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualItemRect(node).center());
}

void retype(QLineEdit* edit, const char* text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromUtf8(text));
}

QTreeWidgetItem* node(const TFormAddProject& form, const char* name) {
    return childNamed(form.TreeVProjects->topLevelItem(0), name);
}

std::string labelText(const QLabel* label) {
    return label->text().toStdString();
}

TEST_F(AddProjectTest, LayoutTextsAndFirstState) {
    TFormAddProject form(database, projectFile);
    EXPECT_EQ(form.windowTitle(), "Add to SourceSafe Project");
    EXPECT_EQ(form.size(), QSize(372, 282));
    EXPECT_EQ(form.LabelProject->text(), "Project");
    EXPECT_EQ(form.LabelCreate->text(), "Create A Project:");
    EXPECT_EQ(form.ButtonOk->text(), "OK");
    EXPECT_EQ(form.ButtonCancel->text(), "Cancel");
    EXPECT_EQ(form.ButtonCreate->text(), "&Create");
    EXPECT_EQ(form.ButtonHelp->text(), "Help");
    EXPECT_EQ(form.EditProjectName->text(), "Demo");
    EXPECT_EQ(labelText(form.LabelSpec), "$/");
    EXPECT_EQ(labelText(form.LabelNewProjectSpec), "$/Demo");
    EXPECT_TRUE(form.ButtonCreate->isEnabled());
    EXPECT_EQ(form.TreeVProjects->indentation(), 19);
    // Buttons stacked on the right in the order OK, Cancel, Create, Help.
    EXPECT_LT(form.ButtonOk->y(), form.ButtonCancel->y());
    EXPECT_LT(form.ButtonCancel->y(), form.ButtonCreate->y());
    EXPECT_LT(form.ButtonCreate->y(), form.ButtonHelp->y());
    EXPECT_GT(form.ButtonOk->x(), form.TreeVProjects->geometry().right());

    run(form, [](TFormAddProject& shown) {
        EXPECT_EQ(shown.focusWidget(), shown.TreeVProjects);
        const std::vector<QWidget*> controls{shown.TreeVProjects, shown.EditProjectName,
                                             shown.ButtonOk,      shown.ButtonCancel,
                                             shown.ButtonCreate,  shown.ButtonHelp};
        std::vector<QWidget*> order{shown.TreeVProjects};
        for (QWidget* widget = shown.TreeVProjects->nextInFocusChain();
             widget != shown.TreeVProjects; widget = widget->nextInFocusChain())
            if (std::find(controls.begin(), controls.end(), widget) != controls.end())
                order.push_back(widget);
        EXPECT_EQ(order, controls);
        click(shown.ButtonCancel);
    });
}

TEST_F(AddProjectTest, TheProposedNameIsTheFileNameWithoutItsExtension) {
    struct Case {
        const char* projectFile;
        const char* name;
    };
    for (const Case& c :
         {Case{"C:\\Work\\Demo.dpr", "Demo"}, Case{"/home/ann/Demo", "Demo"},
          Case{"/home/ann/My.Demo.dpr", "My.Demo"}, Case{"/home/ann.b/Demo", "Demo"}}) {
        TFormAddProject form(database, c.projectFile);
        EXPECT_EQ(form.EditProjectName->text().toStdString(), c.name) << c.projectFile;
        EXPECT_EQ(labelText(form.LabelNewProjectSpec), std::string("$/") + c.name);
    }
}

TEST_F(AddProjectTest, TheLabelsFollowTheSelectedNodeAndTheName) {
    TFormAddProject form(database, projectFile);
    run(form, [](TFormAddProject& shown) {
        pick(shown.TreeVProjects, node(shown, "A"));
        EXPECT_EQ(labelText(shown.LabelSpec), "$/A/");
        EXPECT_EQ(labelText(shown.LabelNewProjectSpec), "$/A/Demo");
        retype(shown.EditProjectName, "Other");
        EXPECT_EQ(labelText(shown.LabelNewProjectSpec), "$/A/Other");
        shown.EditProjectName->selectAll();
        QTest::keyClick(shown.EditProjectName, Qt::Key_Delete);
        EXPECT_FALSE(shown.ButtonCreate->isEnabled());
        EXPECT_EQ(labelText(shown.LabelNewProjectSpec), "$/A/");
        click(shown.ButtonCancel);
    });
}

TEST_F(AddProjectTest, CreateMakesTheProjectSelectsItAndOkBindsItWithoutAQuestion) {
    TFormAddProject form(database, projectFile);
    const int result = run(form, [this](TFormAddProject& shown) {
        pick(shown.TreeVProjects, node(shown, "A"));
        retype(shown.EditProjectName, "New");
        click(shown.ButtonCreate);
        EXPECT_TRUE(exists("$/A/New"));
        QTreeWidgetItem* created = shown.TreeVProjects->currentItem();
        EXPECT_EQ(TProjectTree::NodePath(created), "$/A/New/");
        EXPECT_EQ(shown.EditProjectName->text(), "");
        EXPECT_FALSE(shown.ButtonCreate->isEnabled());
        EXPECT_EQ(labelText(shown.LabelNewProjectSpec), "$/A/New/");
        EXPECT_EQ(shown.focusWidget(), shown.EditProjectName);
        click(shown.ButtonOk);
    });
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_EQ(form.chosenProject(), "$/A/New");
    EXPECT_EQ(testenv::TestEnvironment::read(bindingFile()), "$/A/New\r\n");
}

TEST_F(AddProjectTest, ACreateTheServerRefusesIsShownAndChangesNothing) {
    TFormAddProject form(database, projectFile);
    run(form, [](TFormAddProject& shown) {
        pick(shown.TreeVProjects, node(shown, "A"));
        retype(shown.EditProjectName, "A1");
        QTreeWidgetItem* a = node(shown, "A");
        const int children = a->childCount();
        click(shown.ButtonCreate);
        EXPECT_EQ(a->childCount(), children);
        EXPECT_EQ(shown.TreeVProjects->currentItem(), a);
        EXPECT_EQ(shown.EditProjectName->text(), "A1");
        EXPECT_TRUE(shown.isVisible());
        click(shown.ButtonCancel);
    });
    ASSERT_EQ(driver.errors().size(), 1u);
    EXPECT_FALSE(driver.errors()[0].empty());
}

TEST_F(AddProjectTest, NoToTheQuestionLeavesTheDialogOpenAndUnchanged) {
    TFormAddProject form(database, projectFile);
    driver.answer(ui::IDNO);
    run(form, [this](TFormAddProject& shown) {
        pick(shown.TreeVProjects, node(shown, "B"));
        click(shown.ButtonOk);
        EXPECT_TRUE(shown.isVisible());
        EXPECT_EQ(labelText(shown.LabelSpec), "$/B/");
        EXPECT_EQ(labelText(shown.LabelNewProjectSpec), "$/B/Demo");
        EXPECT_EQ(shown.EditProjectName->text(), "Demo");
        EXPECT_FALSE(exists("$/B/Demo"));
        EXPECT_FALSE(fs::exists(bindingFile()));
        click(shown.ButtonCancel);
    });
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text,
              "Project $/B/Demo does not exist. Would you like to create it?");
    EXPECT_EQ(driver.messages()[0].caption, "SourceSafe");
    EXPECT_EQ(driver.messages()[0].style, 36);
    EXPECT_EQ(form.chosenProject(), "");
}

TEST_F(AddProjectTest, YesCreatesTheProjectAndBindsIt) {
    TFormAddProject form(database, projectFile);
    driver.answer(ui::IDYES);
    const int result = run(form, [](TFormAddProject& shown) {
        pick(shown.TreeVProjects, node(shown, "B"));
        click(shown.ButtonOk);
        EXPECT_EQ(node(shown, "B")->childCount(), 0); // the tree is not changed
    });
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(form.chosenProject(), "$/B/Demo");

    // The binding file: one line with CR LF, read-only; the project knows the folder and holds
    // the binding file, added with an empty comment and the server's default flags.
    EXPECT_EQ(testenv::TestEnvironment::read(bindingFile()), "$/B/Demo\r\n");
    EXPECT_TRUE(sys::fileAttributes(bindingFile()).readOnly);
    const VssItem project = server.item("$/B/Demo");
    EXPECT_EQ(project.localSpec(), folder.string());
    EXPECT_EQ(project.items(false).item("Delphi.Vss").type(), 1);
    const auto adds = plan->callsOf("Add");
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].local, bindingFile().string());
    EXPECT_EQ(adds[0].comment, "");
    EXPECT_EQ(adds[0].flags, 0);
}

TEST_F(AddProjectTest, AnEmptyNameBindsTheSelectedProjectItself) {
    struct Case {
        const char* node; // nullptr: the root
        const char* binding;
    };
    for (const Case& c : {Case{"A", "$/A"}, Case{nullptr, "$/"}}) {
        fs::remove(bindingFile()); // the folder is writable, so a read-only file goes too
        TFormAddProject form(database, projectFile);
        const int result = run(form, [&c](TFormAddProject& shown) {
            if (c.node != nullptr)
                pick(shown.TreeVProjects, node(shown, c.node));
            shown.EditProjectName->clear();
            click(shown.ButtonOk);
        });
        EXPECT_EQ(result, ui::mrOk) << c.binding;
        EXPECT_EQ(form.chosenProject(), c.binding);
        EXPECT_EQ(testenv::TestEnvironment::read(bindingFile()), c.binding + std::string("\r\n"));
    }
    EXPECT_TRUE(driver.messages().empty());
}

TEST_F(AddProjectTest, CancelBindsNothing) {
    TFormAddProject form(database, projectFile);
    EXPECT_EQ(run(form, [](TFormAddProject& shown) { click(shown.ButtonCancel); }), ui::mrCancel);
    EXPECT_FALSE(fs::exists(bindingFile()));
    EXPECT_FALSE(exists("$/Demo"));
    EXPECT_TRUE(plan->callsOf("put_LocalSpec").empty());
}

// A later step of OK that fails keeps the dialog open, so the caller never takes a half-made
// binding; what was done before the failure stays done.
TEST_F(AddProjectTest, AFailingStepOfOkIsShownAndKeepsTheDialogOpen) {
    struct Case {
        const char* method;
        bool projectMade;
        bool fileWritten;
    };
    for (const Case& c : {Case{"NewSubproject", false, false}, Case{"put_LocalSpec", true, false},
                          Case{"get_Spec", true, false}, Case{"Add", true, true}}) {
        SCOPED_TRACE(c.method);
        const std::string name = std::string("P") + c.method;
        plan->clearFaults();
        plan->fail(c.method, "Refused by the server");
        TFormAddProject form(database, projectFile);
        driver.answer(ui::IDYES);
        const int result = run(form, [&name](TFormAddProject& shown) {
            retype(shown.EditProjectName, name.c_str());
            click(shown.ButtonOk);
            EXPECT_TRUE(shown.isVisible());
            click(shown.ButtonCancel);
        });
        EXPECT_EQ(result, ui::mrCancel);
        EXPECT_EQ(exists("$/" + name), c.projectMade);
        EXPECT_EQ(fs::exists(bindingFile()), c.fileWritten);
        ASSERT_FALSE(driver.errors().empty());
        EXPECT_EQ(driver.errors().back(), "Refused by the server");
        fs::remove(bindingFile());
    }
}

TEST_F(AddProjectTest, AnExistingReadOnlyBindingFileKeepsItsContent) {
    env.write(bindingFile(), "$/Old\r\n");
    sys::setReadOnly(bindingFile(), true);
    TFormAddProject form(database, projectFile);
    run(form, [](TFormAddProject& shown) {
        pick(shown.TreeVProjects, node(shown, "A"));
        shown.EditProjectName->clear();
        click(shown.ButtonOk);
        EXPECT_TRUE(shown.isVisible());
        click(shown.ButtonCancel);
    });
    EXPECT_EQ(testenv::TestEnvironment::read(bindingFile()), "$/Old\r\n");
    ASSERT_EQ(driver.errors().size(), 1u);
    EXPECT_NE(driver.errors()[0].find(bindingFile().string()), std::string::npos)
        << driver.errors()[0];
}

TEST_F(AddProjectTest, AProjectFileWithoutAFolderIsRefusedBeforeAnythingIsMade) {
    TFormAddProject form(database, "Demo.dpr");
    run(form, [](TFormAddProject& shown) {
        click(shown.ButtonOk);
        EXPECT_TRUE(shown.isVisible());
        click(shown.ButtonCancel);
    });
    ASSERT_EQ(driver.errors().size(), 1u);
    EXPECT_NE(driver.errors()[0].find("Delphi.Vss"), std::string::npos) << driver.errors()[0];
    EXPECT_FALSE(exists("$/Demo"));
    EXPECT_TRUE(plan->callsOf("NewSubproject").empty());
    EXPECT_TRUE(driver.messages().empty());
}

} // namespace
