// The main window as a user sees it, in process: the units' state icons and how they follow
// the disk, the status bar's project and binding, the title, the message pane, and pictures of
// the window in script mode.
#include "MainWindow.h"
#include "AddinMenu.h"
#include "MessagePane.h"
#include "ProjectPane.h"
#include "ScriptRunner.h"
#include "TestEnvironment.h"

#include <script/JsonReporter.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

constexpr int kWaitMilliseconds = 5000;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        unit1 = env.write("p/Unit1.pas", "unit Unit1;\nend.\n");
        unit2 = env.write("p/Unit2.pas", "unit Unit2;\nend.\n");
        unit3 = env.root() / "p" / "Unit3.pas"; // named by the project, not on disk
        dpr = env.write("p/Demo.dpr", "program Demo;\n\nuses\n  Unit1 in 'Unit1.pas',\n"
                                      "  Unit2 in 'Unit2.pas',\n  Unit3 in 'Unit3.pas';\n\n"
                                      "begin\nend.\n");
        fs::permissions(unit1,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }

    void open() { ASSERT_FALSE(window.openProject(q(dpr))); }

    static QString q(const fs::path& path) { return QString::fromStdString(path.string()); }

    QListWidgetItem* item(const QString& text) const {
        const auto found = window.projectPane()->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
    FileState stateOf(const QString& text) const {
        return static_cast<FileState>(item(text)->data(ProjectPane::StateRole).toInt());
    }
    bool showsIcon(const QString& text, FileState state) const {
        return item(text)->icon().cacheKey() == window.projectPane()->stateIcon(state).cacheKey();
    }
    // Runs the event loop until the unit shows the state (the watcher's own pace).
    bool waitForState(const QString& text, FileState state) const {
        return QTest::qWaitFor([&] { return stateOf(text) == state; }, kWaitMilliseconds);
    }

    testenv::TestEnvironment env;
    fs::path unit1, unit2, unit3, dpr;
    MainWindow window;
};

// Replaces a file by rename, as the server writes a working file.
void replaceFile(const fs::path& file, const std::string& text, fs::perms permissions) {
    const fs::path temporary = file.string() + ".tmp";
    testenv::TestEnvironment::read(file); // the file must be there to be replaced
    {
        std::FILE* out = std::fopen(temporary.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
    fs::permissions(temporary, permissions);
    fs::rename(temporary, file);
}

TEST_F(MainWindowTest, EachUnitShowsTheStateOfItsFile) {
    open();
    const struct {
        const char* unit;
        FileState state;
    } cases[] = {{"Unit1.pas", FileState::ReadOnly},
                 {"Unit2.pas", FileState::Writable},
                 {"Unit3.pas", FileState::Missing}};
    ASSERT_EQ(window.projectPane()->count(), 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        ASSERT_NE(item(c.unit), nullptr);
        EXPECT_EQ(stateOf(c.unit), c.state);
        EXPECT_TRUE(showsIcon(c.unit, c.state));
        EXPECT_TRUE(item(c.unit)->toolTip().endsWith("(" + fileStateText(c.state) + ")"));
    }
    // Three different pictures.
    const ProjectPane& pane = *window.projectPane();
    EXPECT_NE(pane.stateIcon(FileState::ReadOnly).pixmap(16).toImage(),
              pane.stateIcon(FileState::Writable).pixmap(16).toImage());
    EXPECT_NE(pane.stateIcon(FileState::Writable).pixmap(16).toImage(),
              pane.stateIcon(FileState::Missing).pixmap(16).toImage());
}

TEST_F(MainWindowTest, IconsFollowChangesOnDisk) {
    open();
    const auto writable = fs::perms::owner_read | fs::perms::owner_write;
    // A check-out replaces the read-only file with a writable one.
    replaceFile(unit1, "unit Unit1;\n// out\nend.\n", writable);
    EXPECT_TRUE(waitForState("Unit1.pas", FileState::Writable));
    EXPECT_TRUE(showsIcon("Unit1.pas", FileState::Writable));
    // A check-in leaves it read-only, in place.
    fs::permissions(unit1, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_TRUE(waitForState("Unit1.pas", FileState::ReadOnly));
    // A get writes a missing file; a deleted one is missing.
    env.write("p/Unit3.pas", "unit Unit3;\nend.\n");
    EXPECT_TRUE(waitForState("Unit3.pas", FileState::Writable));
    fs::remove(unit2);
    EXPECT_TRUE(waitForState("Unit2.pas", FileState::Missing));
    EXPECT_TRUE(showsIcon("Unit2.pas", FileState::Missing));
}

TEST_F(MainWindowTest, F5ReadsTheStatesAgainAtOnce) {
    open();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    fs::permissions(unit1, fs::perms::owner_write, fs::perm_options::add);
    // No event loop has run since the change: only the key can have updated the pane.
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_EQ(stateOf("Unit1.pas"), FileState::Writable);
}

TEST_F(MainWindowTest, TitleAndStatusBarNameTheProjectAndItsBinding) {
    EXPECT_EQ(window.windowTitle(), "idehost");
    EXPECT_EQ(window.statusProjectText(), "No project");
    EXPECT_EQ(window.statusBindingText(), "");
    open();
    EXPECT_EQ(window.windowTitle(), "Demo - idehost");
    EXPECT_EQ(window.statusProjectText(), q(dpr));
    EXPECT_EQ(window.statusBindingText(), "not bound");

    const struct {
        const char* content;
        const char* shown;
    } cases[] = {{"$/Demo\r\n", "$/Demo"},
                 {"$/With Blank \r\nsecond line\r\n", "$/With Blank "},
                 {"$/NoLineEnd", "$/NoLineEnd"},
                 {"", "not bound"},
                 {"\r\n$/Second", "not bound"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        env.write("p/Delphi.Vss", c.content);
        window.refreshFileStates();
        EXPECT_EQ(window.statusBindingText(), c.shown);
    }
    window.closeProject();
    EXPECT_EQ(window.windowTitle(), "idehost");
    EXPECT_EQ(window.statusProjectText(), "No project");
    EXPECT_EQ(window.statusBindingText(), "");
}

TEST_F(MainWindowTest, BindingFileAppearingOnDiskShowsInTheStatusBar) {
    open();
    ASSERT_EQ(window.statusBindingText(), "not bound");
    env.write("p/Delphi.Vss", "$/Demo\r\n");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window.statusBindingText() == "$/Demo"; }, kWaitMilliseconds));
}

// Presses the button with the Windows result on every message box that comes up; a box
// without such a button gets its only or its default button.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int result) {
        QObject::connect(&timer_, &QTimer::timeout, [result] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            QAbstractButton* chosen =
                box->buttons().size() == 1 ? box->buttons().first() : box->defaultButton();
            for (QAbstractButton* button : box->buttons())
                if (button->property("qmResult").toInt() == result)
                    chosen = button;
            if (chosen != nullptr)
                chosen->click();
        });
        timer_.start(10);
    }

private:
    QTimer timer_;
};

TEST_F(MainWindowTest, MessagePaneListsTheAddinsBoxesAndErrorsWithTimes) {
    ASSERT_FALSE(window.loadAddin(QStringLiteral(QM_FAKE_ADDIN)));
    open();
    {
        BoxAnswerer yes(6);
        ASSERT_TRUE(window.addinMenu()->trigger(3)); // raises an error
        ASSERT_TRUE(window.addinMenu()->trigger(0)); // asks, then tells the answer
    }
    const MessagePane& pane = *window.messagePane();
    const struct {
        const char* caption;
        const char* text;
        bool error;
    } expected[] = {{"Error", "The fake verb failed.", true},
                    {"Fake", "Go on?", false},
                    {"Fake", "Answer 6", false}};
    ASSERT_EQ(pane.topLevelItemCount(), 3);
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QTreeWidgetItem* line = pane.topLevelItem(i);
        EXPECT_TRUE(time.match(line->text(MessagePane::TimeColumn)).hasMatch())
            << line->text(MessagePane::TimeColumn).toStdString();
        EXPECT_EQ(line->text(MessagePane::CaptionColumn), expected[i].caption);
        EXPECT_EQ(line->text(MessagePane::TextColumn), expected[i].text);
        EXPECT_EQ(line->icon(MessagePane::TimeColumn).isNull(), !expected[i].error);
    }
}

TEST_F(MainWindowTest, MessagePaneHidesAndComesBackFromTheViewMenu) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QAction* toggle = window.findChild<QAction*>(QStringLiteral("ActionMessages"));
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->text(), "&Messages");
    EXPECT_TRUE(window.messageDock()->isVisible());
    toggle->trigger();
    EXPECT_FALSE(window.messageDock()->isVisible());
    toggle->trigger();
    EXPECT_TRUE(window.messageDock()->isVisible());
}

TEST_F(MainWindowTest, AddinMenuKeepsItsAccelerators) {
    ASSERT_FALSE(window.loadAddin(QStringLiteral(QM_FAKE_ADDIN)));
    const QMenu* menu = window.addinMenu()->menu();
    EXPECT_EQ(menu->title(), "&Fake");
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts.append(action->text());
    EXPECT_EQ(texts,
              QStringList({"&Ask...", "", "&Dialog...", "&Throw", "&Project only", "&Where"}));
}

TEST_F(MainWindowTest, AVerbRefreshesTheStates) {
    ASSERT_FALSE(window.loadAddin(QStringLiteral(QM_FAKE_ADDIN)));
    open();
    fs::permissions(unit1, fs::perms::owner_write, fs::perm_options::add);
    BoxAnswerer ok(1);
    ASSERT_TRUE(window.addinMenu()->trigger(5)); // shows a box; the event loop runs inside
    // Whether or not the watcher was quicker, the state is right when the verb returns.
    EXPECT_EQ(stateOf("Unit1.pas"), FileState::Writable);
}

TEST_F(MainWindowTest, ShotWithoutADialogPicturesTheMainWindow) {
    open();
    const fs::path picture = env.root() / "shots" / "host.png";
    ScriptLine shot;
    shot.number = 1;
    shot.command = QStringLiteral("shot");
    shot.args = QStringList{q(picture)};
    std::FILE* transcript = std::tmpfile();
    JsonReporter reporter(transcript);
    int exitCode = -1;
    {
        ScriptRunner runner(window, {shot}, std::nullopt, reporter);
        runner.start();
        exitCode = QApplication::exec();
    }
    std::fclose(transcript);
    ASSERT_EQ(exitCode, 0);
    const QImage image(q(picture));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), window.size());
    // The window's parts are in it: more than one colour.
    const QRgb corner = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 7)
        for (int x = 0; x < image.width() && !varied; x += 7)
            varied = image.pixel(x, y) != corner;
    EXPECT_TRUE(varied);
}

} // namespace
