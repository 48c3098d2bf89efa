// The share dialog against a real database: the listing under each file type, the enabled
// rules, both share flows with their logs, refusals, and viewing a file.
#include "UnitShareFromSS.h"

#include "UnitVssRegistry.h"

#include "FaultyVss.h"
#include "TestEnvironment.h"

#include <system/TempFile.h>
#include <ui/ScriptedDriver.h>
#include <vss/VssInterfaces.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Call = testenv::FaultPlan::Call;

constexpr const char kMainText[] = "unit Main;\n";

// Puts an environment variable back when the test ends.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        if (old)
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// $/Bound (the binding: Form1.dfm), $/Other (Demo.dpr, Form1.dfm, Main.pas, NOTES.TXT, Readme,
// Logo.bmp, and Sub with Deep.pas and Sub/Deeper with X.pas), and Top.txt at the root.
class ShareTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto folder = env.createDatabase();
        for (const char* project : {"$/Bound", "$/Other", "$/Other/Sub", "$/Other/Sub/Deeper"})
            env.ss({"mkproj", project});
        work = env.root() / "work";
        add("$/", {{"Top.txt", "top\n"}});
        add("$/Bound", {{"Form1.dfm", "object Form1\n"}});
        add("$/Other", {{"Demo.dpr", "program Demo;\n"},
                        {"Form1.dfm", "object Form1\n"},
                        {"Main.pas", kMainText},
                        {"NOTES.TXT", "notes\n"},
                        {"Readme", "read me\n"},
                        {"Logo.bmp", std::string("BM\0\0\x01\x02", 6)}});
        add("$/Other/Sub", {{"Deep.pas", "unit Deep;\n"}});
        add("$/Other/Sub/Deeper", {{"X.pas", "unit X;\n"}});
        tmp = env.root() / "temp with blanks";
        fs::create_directories(tmp);
        tmpDir.emplace("TMPDIR", tmp.string());

        server = CoVSSDatabase::Create();
        server.open((folder / "srcsafe.ini").string(), testenv::TestEnvironment::currentUser(), "");
        database = VssDatabase(testenv::wrapDatabase(server.raw(), plan));
    }

    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle()) << "scripted answers or forms left over";
        EXPECT_FALSE(driver.busy()) << "busy cursor left on";
    }

    void add(const std::string& project, std::vector<std::pair<std::string, std::string>> files) {
        std::vector<std::string> args{"add", project};
        const fs::path folder = work / std::to_string(++batch);
        for (const auto& [name, text] : files)
            args.push_back(env.write(folder / name, text).string());
        env.ss(args);
    }

    std::vector<std::string> children(const std::string& spec) const {
        std::vector<std::string> names;
        const VssItems items = server.item(spec).items(false);
        for (std::int32_t index = 1; index <= items.count(); ++index)
            names.push_back(items.item(index).name());
        return names;
    }

    // A viewer script that records its arguments, one a line, in `out`.
    fs::path recordingViewer(const std::string& name, const fs::path& out) const {
        const fs::path script = env.root() / name;
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                              << out.string() << ".part'\nmv '" << out.string() << ".part' '"
                              << out.string() << "'\n";
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    static void storeViewer(const std::string& viewer) {
        TVSSProperties properties;
        properties.Viewer = viewer;
        TVssRegistry().WriteProperties(properties);
    }

    fs::path privateTemp() const { return tmp / ("quillmoor-" + std::to_string(::geteuid())); }

    testenv::TestEnvironment env;
    ui::ScriptedDriver driver;
    fs::path work;
    fs::path tmp;
    std::optional<ScopedVariable> tmpDir;
    int batch = 0;
    VssDatabase server; // unwrapped, for looking at the outcome
    std::shared_ptr<testenv::FaultPlan> plan = std::make_shared<testenv::FaultPlan>();
    VssDatabase database; // what the dialog gets
};

QStringList entries(const QListWidget* list) {
    QStringList result;
    for (int row = 0; row < list->count(); ++row)
        result << list->item(row)->text();
    return result;
}

QStringList logLines(const QPlainTextEdit* log) {
    const QString text = log->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QChar('\n'));
}

int rowOf(const QListWidget* list, const char* name) {
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text() == QString::fromUtf8(name))
            return row;
    ADD_FAILURE() << name << " is not listed";
    return -1;
}

// A click on a file's row; with Ctrl it adds to or takes from the selection.
void clickFile(QListWidget* list, const char* name,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QRect rect = list->visualItemRect(list->item(rowOf(list, name)));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

void clickButton(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

QTreeWidgetItem* nodeAt(QTreeWidget* tree, const QStringList& path) {
    QTreeWidgetItem* node = tree->topLevelItem(0);
    for (const QString& text : path) {
        if (!node->isExpanded()) {
            tree->setCurrentItem(node);
            QTest::keyClick(tree, Qt::Key_Plus);
        }
        QTreeWidgetItem* next = nullptr;
        for (int index = 0; index < node->childCount(); ++index)
            if (node->child(index)->text(0) == text)
                next = node->child(index);
        if (next == nullptr) {
            ADD_FAILURE() << "no node " << text.toStdString();
            return node;
        }
        node = next;
    }
    return node;
}

// A click in the tree on the node at that path below "$".
void clickNode(QTreeWidget* tree, const QStringList& path) {
    QTreeWidgetItem* node = nodeAt(tree, path);
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualItemRect(node).center());
}

// The user picks a file type with the keyboard.
void chooseType(QComboBox* box, int index) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(box, Qt::Key_Down);
}

// Names of the dialog's own tab stops in focus-chain order, from the tree.
QStringList tabStops(TFormShareFromSS* dialog) {
    QStringList names;
    QWidget* w = dialog->TreeVProjects;
    do {
        if (w->focusPolicy() & Qt::TabFocus && w->parent() == dialog)
            names << w->objectName();
        w = w->nextInFocusChain();
    } while (w != dialog->TreeVProjects);
    return names;
}

std::string waitForText(const fs::path& file) {
    for (int i = 0; i < 500 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

std::string readFile(const fs::path& file) {
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

TEST_F(ShareTest, OpensAtTheRootWithItsFiles) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Share With $/Bound");
    EXPECT_EQ(dialog.size(), QSize(377, 374));
    EXPECT_EQ(dialog.LabelProject->text(), "$/");
    EXPECT_EQ(dialog.ComboBoxFileTypes->currentText(), "Any File (*.*)");
    EXPECT_EQ(entries(dialog.ListBoxFiles), QStringList({"Top.txt"}));
    EXPECT_TRUE(dialog.ListBoxFiles->selectedItems().isEmpty());
    QTreeWidgetItem* root = dialog.TreeVProjects->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "$");
    EXPECT_EQ(dialog.TreeVProjects->currentItem(), root);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_FALSE(dialog.ButtonView->isEnabled());
    EXPECT_TRUE(dialog.CBoxRecursive->isEnabled());
    EXPECT_FALSE(dialog.CBoxRecursive->isChecked());
    EXPECT_EQ(dialog.RecursiveFlag, 4096);
    EXPECT_EQ(dialog.TargetProject.spec(), "$/Bound");
}

TEST_F(ShareTest, LayoutTextsAndTabOrder) {
    TFormShareFromSS dialog(database, "$/Bound");
    const struct {
        const char* name;
        QString text;
    } texts[] = {
        {"LabelFileTypes", "List files of type:"},
        {"LabelProjects", "Project:"},
        {"ButtonClose", "Close"},
        {"ButtonShare", "&Share"},
        {"ButtonView", "Vie&w"},
        {"ButtonHelp", "Help"},
        {"CBoxRecursive", "Recursive"},
        {"LabelLog", "Log:"},
    };
    for (const auto& t : texts) {
        const QWidget* widget = dialog.findChild<QWidget*>(t.name);
        ASSERT_NE(widget, nullptr) << t.name;
        const QVariant text = widget->property("text");
        EXPECT_EQ(text.toString(), t.text) << t.name;
    }
    QStringList types;
    for (int index = 0; index < dialog.ComboBoxFileTypes->count(); ++index)
        types << dialog.ComboBoxFileTypes->itemText(index);
    EXPECT_EQ(types, QStringList({"Any File (*.*)", "Delphi Project (*.dpr)", "Delphi Unit (*.pas)",
                                  "Delphi Form (*.dfm)", "Text File (*.txt)"}));
    EXPECT_FALSE(dialog.ComboBoxFileTypes->isEditable());
    EXPECT_EQ(dialog.ListBoxFiles->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(dialog.MemoLog->isReadOnly());
    EXPECT_EQ(dialog.TreeVProjects->indentation(), 19);
    EXPECT_EQ(dialog.defaultButton(), dialog.ButtonShare);
    EXPECT_EQ(dialog.cancelButton(), dialog.ButtonClose);
    EXPECT_EQ(ui::Form::buttonModalResult(dialog.ButtonClose), ui::mrOk);

    driver.drive([&](ui::Form&) {
        EXPECT_EQ(dialog.focusWidget(), dialog.TreeVProjects);
        EXPECT_EQ(
            tabStops(&dialog),
            QStringList({"TreeVProjects", "ComboBoxFileTypes", "ListBoxFiles", "ButtonClose",
                         "ButtonShare", "ButtonView", "ButtonHelp", "CBoxRecursive", "MemoLog"}));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrOk);
}

TEST_F(ShareTest, FileTypeMasks) {
    const struct {
        std::string text;
        std::string mask;
    } cases[] = {
        {"Any File (*.*)", "*.*"},
        {"Delphi Project (*.dpr)", "*.dpr"},
        {"Delphi Unit (*.pas)", "*.pas"},
        {"Delphi Form (*.dfm)", "*.dfm"},
        {"Text File (*.txt)", "*.txt"},
        {"*.inc", "*.inc"},           // neither bracket: the whole text
        {"*.inc) Includes", "*.inc"}, // no "(": from the beginning
        {"Includes (*.inc", ""},      // no ")": empty
        {") odd (", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFormShareFromSS::FileTypeMask(c.text), c.mask) << c.text;
}

TEST_F(ShareTest, WildcardsIgnoreCase) {
    const struct {
        const char* name;
        const char* mask;
        bool matches;
    } cases[] = {
        {"NOTES.TXT", "*.txt", true},
        {"notes.txt", "*.TXT", true},
        {"Main.pas", "*.txt", false},
        {"Readme", "*.*", true},
        {"Readme", "*.pas", false},
        {"a.b.c", "*.c", true},
        {"Unit1.pas", "Unit?.pas", true},
        {"Unit12.pas", "Unit?.pas", false},
        {"x.pas", "", false},
        {"Main.pas", "*", true},
        {"Main.pas.bak", "*.pas", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFormShareFromSS::MatchesMask(c.name, c.mask), c.matches)
            << c.name << " / " << c.mask;
}

TEST_F(ShareTest, ListsTheFilesOfEachType) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    clickNode(dialog.TreeVProjects, {"Other"});
    EXPECT_EQ(dialog.LabelProject->text(), "$/Other/");
    const QStringList expected[] = {
        {"Demo.dpr", "Form1.dfm", "Main.pas", "NOTES.TXT", "Readme", "Logo.bmp"},
        {"Demo.dpr"},
        {"Main.pas"},
        {"Form1.dfm"},
        {"NOTES.TXT"},
    };
    for (int type = 4; type >= 0; --type) {
        chooseType(dialog.ComboBoxFileTypes, type);
        EXPECT_EQ(entries(dialog.ListBoxFiles), expected[type]) << type;
    }
    // A sub-project is a node of the tree, never a row.
    clickNode(dialog.TreeVProjects, {"Other", "Sub"});
    EXPECT_EQ(dialog.LabelProject->text(), "$/Other/Sub/");
    EXPECT_EQ(entries(dialog.ListBoxFiles), QStringList({"Deep.pas"}));
    // A click reads the project once, also when it changes the selection; a click on the
    // selected node reads it again.
    plan->clearCalls();
    clickNode(dialog.TreeVProjects, {"Other"});
    clickNode(dialog.TreeVProjects, {"Other"});
    EXPECT_EQ(plan->callsOf("get_VSSItem").size(), 2u);
    EXPECT_EQ(plan->callsOf("get_VSSItem")[1].item, "$/Other/");
    // Every click reads the project again.
    add("$/Other/Sub", {{"Late.pas", "unit Late;\n"}});
    clickNode(dialog.TreeVProjects, {"Other", "Sub"});
    EXPECT_EQ(entries(dialog.ListBoxFiles), QStringList({"Deep.pas", "Late.pas"}));
}

TEST_F(ShareTest, ViewAndRecursiveFollowTheUsersSelection) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    QListWidget* list = dialog.ListBoxFiles;
    clickNode(dialog.TreeVProjects, {"Other"});
    const auto states = [&] {
        return std::pair{dialog.ButtonView->isEnabled(), dialog.CBoxRecursive->isEnabled()};
    };
    clickFile(list, "Main.pas");
    EXPECT_EQ(states(), std::pair(true, false)) << "one file";
    clickFile(list, "NOTES.TXT", Qt::ControlModifier);
    EXPECT_EQ(states(), std::pair(false, false)) << "two files";
    clickFile(list, "NOTES.TXT", Qt::ControlModifier);
    clickFile(list, "Main.pas", Qt::ControlModifier);
    EXPECT_EQ(states(), std::pair(false, true)) << "none";
    clickFile(list, "Readme");
    EXPECT_EQ(states(), std::pair(true, false)) << "one again";
    // A refresh empties the selection but leaves both as they were; View then does nothing.
    chooseType(dialog.ComboBoxFileTypes, 2);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(states(), std::pair(true, false)) << "after a type change";
    clickNode(dialog.TreeVProjects, {"Other", "Sub"});
    EXPECT_EQ(states(), std::pair(true, false)) << "after a project change";
    plan->clearCalls();
    clickButton(dialog.ButtonView);
    EXPECT_TRUE(plan->calls().empty());
    EXPECT_TRUE(driver.messages().empty());
}

TEST_F(ShareTest, RecursiveSetsTheFlag) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    clickButton(dialog.CBoxRecursive);
    EXPECT_EQ(dialog.RecursiveFlag, 8192);
    QTest::keyClick(dialog.CBoxRecursive, Qt::Key_Space);
    EXPECT_EQ(dialog.RecursiveFlag, 4096);
}

TEST_F(ShareTest, SharesSelectedFilesWithAFreshLog) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    clickNode(dialog.TreeVProjects, {"Other"});
    dialog.MemoLog->setPlainText("an earlier line");
    clickFile(dialog.ListBoxFiles, "NOTES.TXT");
    clickFile(dialog.ListBoxFiles, "Main.pas", Qt::ControlModifier);
    driver.answer(ui::IDYES);
    clickButton(dialog.ButtonShare);

    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, "Do you want to share selected files with $/Bound ?");
    EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
    EXPECT_EQ(driver.messages()[0].style, 36);
    EXPECT_EQ(logLines(dialog.MemoLog), QStringList({"Shared $/Other/Main.pas with $/Bound",
                                                     "Shared $/Other/NOTES.TXT with $/Bound"}));
    const std::vector<Call> shares = plan->callsOf("Share");
    ASSERT_EQ(shares.size(), 2u);
    for (const Call& call : shares) {
        EXPECT_EQ(call.flags, 0);
        EXPECT_EQ(call.comment, "");
    }
    EXPECT_GT(driver.busyChanges(), 0);
    EXPECT_EQ(children("$/Bound"),
              (std::vector<std::string>{"Form1.dfm", "Main.pas", "NOTES.TXT"}));
    // One item in two projects: a change through one is seen through the other.
    EXPECT_EQ(server.item("$/Bound/Main.pas").versionNumber(),
              server.item("$/Other/Main.pas").versionNumber());
    // Nothing is refreshed after sharing.
    EXPECT_EQ(dialog.ListBoxFiles->selectedItems().size(), 2);
}

TEST_F(ShareTest, SharesTheSelectedProjectRecursivelyOnlyWhenAsked) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    dialog.MemoLog->setPlainText("an earlier line");
    clickNode(dialog.TreeVProjects, {"Other", "Sub"});
    driver.answer(ui::IDYES);
    clickButton(dialog.ButtonShare);
    EXPECT_EQ(children("$/Bound/Sub"), std::vector<std::string>{"Deep.pas"});

    clickNode(dialog.TreeVProjects, {"Other"});
    clickButton(dialog.CBoxRecursive);
    driver.answer(ui::IDYES);
    clickButton(dialog.ButtonShare);
    EXPECT_EQ(children("$/Bound/Other/Sub/Deeper"), std::vector<std::string>{"X.pas"});

    ASSERT_EQ(driver.messages().size(), 2u);
    EXPECT_EQ(driver.messages()[0].text, "Do you want to share selected project with $/Bound ?");
    EXPECT_EQ(driver.messages()[1].style, 36);
    EXPECT_EQ(logLines(dialog.MemoLog),
              QStringList({"an earlier line", "Shared $/Other/Sub with $/Bound",
                           "Shared $/Other with $/Bound"}));
    const std::vector<Call> shares = plan->callsOf("Share");
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].flags, 4096);
    EXPECT_EQ(shares[1].flags, 8192);
}

TEST_F(ShareTest, NoChangesNothing) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    clickNode(dialog.TreeVProjects, {"Other"});
    dialog.MemoLog->setPlainText("kept");
    clickFile(dialog.ListBoxFiles, "Main.pas");
    driver.answer(ui::IDNO);
    clickButton(dialog.ButtonShare); // the files question
    clickFile(dialog.ListBoxFiles, "Main.pas", Qt::ControlModifier);
    driver.answer(ui::IDNO);
    clickButton(dialog.ButtonShare); // the project question
    ASSERT_EQ(driver.messages().size(), 2u);
    EXPECT_EQ(driver.messages()[1].text, "Do you want to share selected project with $/Bound ?");
    EXPECT_EQ(logLines(dialog.MemoLog), QStringList({"kept"}));
    EXPECT_TRUE(plan->callsOf("Share").empty());
    EXPECT_EQ(children("$/Bound"), std::vector<std::string>{"Form1.dfm"});
    EXPECT_EQ(driver.busyChanges(), 0);
}

TEST_F(ShareTest, ARefusedShareEndsTheRunAndKeepsTheLog) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    clickNode(dialog.TreeVProjects, {"Other"});
    // Form1.dfm is taken in $/Bound: Demo.dpr goes, Form1.dfm is refused, Main.pas is not tried.
    for (const char* name : {"Demo.dpr", "Form1.dfm", "Main.pas"})
        clickFile(dialog.ListBoxFiles, name, Qt::ControlModifier);
    driver.answer(ui::IDYES);
    clickButton(dialog.ButtonShare);
    EXPECT_EQ(logLines(dialog.MemoLog), QStringList({"Shared $/Other/Demo.dpr with $/Bound"}));
    EXPECT_EQ(driver.errors(),
              std::vector<std::string>{"The project \"$/Bound\" already has an item named "
                                       "\"Form1.dfm\"."});
    EXPECT_EQ(plan->callsOf("Share").size(), 2u);
    EXPECT_FALSE(driver.busy());

    // The root into the bound project, which lies in it.
    clickNode(dialog.TreeVProjects, {});
    driver.answer(ui::IDYES);
    clickButton(dialog.ButtonShare);
    ASSERT_EQ(driver.errors().size(), 2u);
    EXPECT_NE(driver.errors()[1].find("\"$/\""), std::string::npos) << driver.errors()[1];
}

TEST_F(ShareTest, ReadErrorsEndConstructionOrGoToTheErrorDisplay) {
    EXPECT_THROW(TFormShareFromSS(database, "$/Gone"), EVssError);
    // The first listing of the root is part of construction.
    plan->fail("get_Name", "the name is unreadable", "Top.txt");
    EXPECT_THROW(TFormShareFromSS(database, "$/Bound"), EVssError);
    EXPECT_TRUE(driver.errors().empty());
    plan->clearFaults();

    // Later, a listing the user asked for fails into the standard error display.
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    plan->fail("get_Items", "the project is unreadable");
    clickNode(dialog.TreeVProjects, {"Other"});
    EXPECT_EQ(dialog.LabelProject->text(), "$/Other/");
    ASSERT_FALSE(driver.errors().empty());
    EXPECT_EQ(driver.errors()[0], "the project is unreadable");
    EXPECT_EQ(entries(dialog.ListBoxFiles), QStringList({"Top.txt"})); // kept
}

TEST_F(ShareTest, ViewsATextFileInTheViewerWithThePathAsOneArgument) {
    const fs::path out = env.root() / "viewer args";
    storeViewer("\"" + recordingViewer("record viewer", out).string() + "\" --read-only");
    // A link planted at the first name is taken as taken, and not followed.
    fs::create_directories(privateTemp());
    fs::permissions(privateTemp(), fs::perms::owner_all);
    const fs::path victim = env.root() / "victim";
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, privateTemp() / "VssTmp0.pas");

    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    clickNode(dialog.TreeVProjects, {"Other"});
    clickFile(dialog.ListBoxFiles, "Main.pas");
    clickButton(dialog.ButtonView);

    const fs::path local = privateTemp() / "VssTmp1.pas";
    EXPECT_EQ(waitForText(out), "--read-only\n" + local.string() + "\n");
    EXPECT_EQ(readFile(local), kMainText);
    EXPECT_EQ(readFile(victim), "precious");
    struct stat status {};
    ASSERT_EQ(::stat(privateTemp().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_TRUE(driver.errors().empty());
    // The server was asked for the fresh name.
    const std::vector<Call> gets = plan->callsOf("Get");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].local, local.string());
}

TEST_F(ShareTest, AViewerThatCannotRunIsReported) {
    for (const std::string& viewer : {std::string(), (env.root() / "no such viewer").string()}) {
        storeViewer(viewer);
        driver.answer(ui::IDOK);
        TFormShareFromSS dialog(database, "$/Bound");
        dialog.show();
        clickFile(dialog.ListBoxFiles, "Top.txt");
        clickButton(dialog.ButtonView);
    }
    ASSERT_EQ(driver.messages().size(), 2u);
    for (const auto& message : driver.messages()) {
        EXPECT_EQ(message.text, "Could not run viewer");
        EXPECT_EQ(message.caption, "Source Safe");
        EXPECT_EQ(message.style, 48);
    }
    // Two views, two files: the earlier one stays.
    EXPECT_TRUE(fs::exists(privateTemp() / "VssTmp0.txt"));
    EXPECT_TRUE(fs::exists(privateTemp() / "VssTmp1.txt"));
}

TEST_F(ShareTest, ABinaryFileOpensWithTheDesktopsAssociation) {
    const fs::path bin = env.root() / "bin";
    fs::create_directories(bin);
    const fs::path out = env.root() / "opened";
    fs::copy_file(recordingViewer("record opener", out), bin / "xdg-open");
    storeViewer("never used for a binary file");
    {
        ScopedVariable path("PATH", bin.string() + ":" + std::getenv("PATH"));
        TFormShareFromSS dialog(database, "$/Bound");
        dialog.show();
        clickNode(dialog.TreeVProjects, {"Other"});
        clickFile(dialog.ListBoxFiles, "Logo.bmp");
        clickButton(dialog.ButtonView);
        EXPECT_EQ(waitForText(out), (privateTemp() / "VssTmp0.bmp").string() + "\n");
        EXPECT_TRUE(driver.messages().empty());
    }
    {
        // No program to open it with.
        ScopedVariable path("PATH", (env.root() / "empty").string());
        driver.answer(ui::IDOK);
        TFormShareFromSS dialog(database, "$/Bound");
        dialog.show();
        clickNode(dialog.TreeVProjects, {"Other"});
        clickFile(dialog.ListBoxFiles, "Logo.bmp");
        clickButton(dialog.ButtonView);
        ASSERT_EQ(driver.messages().size(), 1u);
        EXPECT_EQ(driver.messages()[0].text, "No association for this file");
        EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
        EXPECT_EQ(driver.messages()[0].style, 48);
    }
}

TEST_F(ShareTest, AFailingGetStartsNothing) {
    const fs::path out = env.root() / "viewer args";
    storeViewer(recordingViewer("record", out).string());
    plan->fail("Get", "the store is unreadable");
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    clickFile(dialog.ListBoxFiles, "Top.txt");
    clickButton(dialog.ButtonView);
    EXPECT_EQ(driver.errors(), std::vector<std::string>{"the store is unreadable"});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(ShareTest, RowsAreDrawnWithTheDocumentImage) {
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    QListWidget* list = dialog.ListBoxFiles;
    QFont sharp = list->font(); // no anti-aliasing, so the text's first column is exact
    sharp.setStyleStrategy(QFont::NoAntialias);
    list->setFont(sharp);
    clickFile(list, "Top.txt");
    const QRect rect = list->visualItemRect(list->item(0));
    EXPECT_EQ(rect.height(), 16);
    const QImage image = list->viewport()->grab().toImage();
    // The row is filled first: left of the image is the selection colour.
    const QColor background = image.pixelColor(rect.left() + 1, rect.top() + 8);
    EXPECT_EQ(background, list->palette().color(QPalette::Highlight).toRgb());
    // The document's red corner is transparent: the fill shows through.
    EXPECT_EQ(image.pixelColor(rect.left() + 2, rect.top()), background);
    // Its outline starts at x + 2 + 3.
    EXPECT_EQ(image.pixelColor(rect.left() + 5, rect.top() + 1), QColor(0, 0, 0));
    // The text starts at x + 22: nothing but background between the image and it.
    bool textSeen = false;
    for (int x = rect.left() + 18; x < rect.right(); ++x)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            if (image.pixelColor(x, y) != background) {
                EXPECT_GE(x, rect.left() + 22) << "at " << x << "," << y;
                textSeen = true;
            }
    EXPECT_TRUE(textSeen);
}

} // namespace
