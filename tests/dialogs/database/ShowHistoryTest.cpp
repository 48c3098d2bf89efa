#include "UnitShowHistory.h"

#include "TestEnvironment.h"
#include "UnitVssRegistry.h"

#include <ui/ScriptedDriver.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// $/Proj/Unit1.pas: created, checked in twice, then labelled "Beta".
class ShowHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto folder = env.createDatabase();
        env.ss({"mkproj", "$/Proj"});
        work = env.root() / "work";
        env.ss({"workfold", "$/Proj", work.string()});
        env.ss({"add", "$/Proj", env.write(work / "Unit1.pas", "one\n").string()});
        for (const char* text : {"two\n", "three\n"}) {
            env.ss({"checkout", "$/Proj/Unit1.pas"});
            env.write(work / "Unit1.pas", text);
            env.ss({"checkin", "$/Proj/Unit1.pas"});
        }
        env.ss({"label", "$/Proj/Unit1.pas", "Beta"});
        database = CoVSSDatabase::Create();
        database.open((folder / "srcsafe.ini").string(), testenv::TestEnvironment::currentUser(),
                      "");
    }
    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }
    std::string hostFile() const { return (work / "Unit1.pas").string(); }
    static QString cell(const QTreeWidget* list, int row, int column) {
        return list->topLevelItem(row)->text(column);
    }
    // A viewer that copies the file it is given to `record` (and its name to record.name).
    std::string recordingViewer() {
        const fs::path script =
            env.write(env.root() / "viewer.sh",
                      "#!/bin/sh\nprintf '%s' \"$1\" > \"" + (env.root() / "record.name").string() +
                          "\"\ncp \"$1\" \"" + record().string() + "\"\n");
        fs::permissions(script, fs::perms::owner_exec, fs::perm_options::add);
        return script.string();
    }
    fs::path record() const { return env.root() / "record"; }
    // The viewer runs detached: wait for what it records.
    std::string recorded() const {
        QElapsedTimer timer;
        timer.start();
        while (!fs::exists(record()) && timer.elapsed() < 10000)
            QThread::msleep(20);
        QThread::msleep(50);
        return fs::exists(record()) ? testenv::TestEnvironment::read(record()) : std::string();
    }
    void useViewer(const std::string& viewer) {
        TVSSProperties properties;
        properties.Viewer = viewer;
        TVssRegistry().WriteProperties(properties);
    }

    testenv::TestEnvironment env;
    ui::ScriptedDriver driver;
    fs::path work;
    VssDatabase database;
};

TEST_F(ShowHistoryTest, WindowColumnsAndButtons) {
    TFormShowHistory form(database, "$/Proj", hostFile());
    EXPECT_EQ(form.windowTitle(), "Show History");
    EXPECT_EQ(form.LabelHistory->text(), "History:");
    const QStringList headings{"Version", "User", "Date", "Action"};
    const int widths[] = {70, 80, 120, 150};
    ASSERT_EQ(form.ListViewHistory->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(form.ListViewHistory->headerItem()->text(c), headings[c]);
        EXPECT_EQ(form.ListViewHistory->columnWidth(c), widths[c]);
    }
    const std::vector<std::pair<QPushButton*, const char*>> buttons = {{form.ButtonClose, "Close"},
                                                                       {form.ButtonView, "View"},
                                                                       {form.Button3, "Button3"},
                                                                       {form.Button4, "Button4"},
                                                                       {form.Button5, "Button5"}};
    for (const auto& [button, caption] : buttons)
        EXPECT_EQ(button->text(), caption);
    EXPECT_EQ(form.cancelButton(), form.ButtonClose);
    EXPECT_EQ(form.defaultButton(), nullptr);
    // The list's own parts (header, viewport) come first in the chain, then the buttons.
    QWidget* next = form.ListViewHistory->nextInFocusChain();
    while (form.ListViewHistory->isAncestorOf(next))
        next = next->nextInFocusChain();
    EXPECT_EQ(next, form.ButtonClose);
}

TEST_F(ShowHistoryTest, OneRowPerVersionNewestFirst) {
    TFormShowHistory form(database, "$/Proj", hostFile());
    const QTreeWidget* list = form.ListViewHistory;
    ASSERT_EQ(list->topLevelItemCount(), 4);
    const QString me = QString::fromStdString(testenv::TestEnvironment::currentUser());
    const std::vector<std::pair<QString, QString>> rows = {{"4", "Label: \"Beta\""},
                                                           {"3", "Checked in $/Proj/Unit1.pas"},
                                                           {"2", "Checked in $/Proj/Unit1.pas"},
                                                           {"1", "Created"}};
    const QLocale locale;
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(cell(list, r, 0), rows[std::size_t(r)].first) << r;
        EXPECT_EQ(cell(list, r, 1), me) << r;
        EXPECT_EQ(cell(list, r, 3), rows[std::size_t(r)].second) << r;
        const QDateTime date = locale.toDateTime(cell(list, r, 2), QLocale::ShortFormat);
        ASSERT_TRUE(date.isValid()) << cell(list, r, 2).toStdString();
        EXPECT_LT(std::abs(date.secsTo(QDateTime::currentDateTime())), 600) << r;
    }
    EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST_F(ShowHistoryTest, TheFileIsLookedUpByTheNamePartInTheBinding) {
    EXPECT_NO_THROW(TFormShowHistory(database, "$/Proj", "C:\\Work\\Unit1.pas"));
    EXPECT_THROW(TFormShowHistory(database, "$/Proj", "/elsewhere/Missing.pas"), EVssError);
}

TEST_F(ShowHistoryTest, ViewShowsTheSelectedVersionInTheViewer) {
    useViewer(recordingViewer());
    TFormShowHistory form(database, "$/Proj", hostFile());
    driver.drive([](ui::Form& shown) {
        auto& f = static_cast<TFormShowHistory&>(shown);
        QTest::mouseClick(f.ButtonView, Qt::LeftButton); // nothing selected: nothing happens
        const QRect row = f.ListViewHistory->visualItemRect(f.ListViewHistory->topLevelItem(2));
        QTest::mouseClick(f.ListViewHistory->viewport(), Qt::LeftButton, {}, row.center());
        EXPECT_EQ(f.SelectedVersion(), 2);
        QTest::mouseClick(f.ButtonView, Qt::LeftButton);
        EXPECT_TRUE(f.isVisible());
        QTest::mouseClick(f.ButtonClose, Qt::LeftButton);
    });
    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_EQ(recorded(), "two\n");
    const fs::path viewed = testenv::TestEnvironment::read(env.root() / "record.name");
    EXPECT_EQ(viewed.extension(), ".pas");
    EXPECT_EQ(viewed.filename().string().rfind("VssTmp", 0), 0u) << viewed;
    EXPECT_EQ(fs::status(viewed.parent_path()).permissions() & fs::perms::group_all,
              fs::perms::none);
}

TEST_F(ShowHistoryTest, DoubleClickViewsALabelsContent) {
    useViewer(recordingViewer());
    TFormShowHistory form(database, "$/Proj", hostFile());
    driver.drive([](ui::Form& shown) {
        auto& f = static_cast<TFormShowHistory&>(shown);
        const QRect row = f.ListViewHistory->visualItemRect(f.ListViewHistory->topLevelItem(0));
        QTest::mouseClick(f.ListViewHistory->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(f.ListViewHistory->viewport(), Qt::LeftButton, {}, row.center());
        QTest::keyClick(&f, Qt::Key_Escape);
    });
    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_EQ(recorded(), "three\n");
}

TEST_F(ShowHistoryTest, AViewerThatCannotStartIsReported) {
    useViewer((env.root() / "no-such-viewer").string());
    TFormShowHistory form(database, "$/Proj", hostFile());
    form.ListViewHistory->topLevelItem(1)->setSelected(true);
    driver.answer(ui::IDOK);
    QTest::mouseClick(form.ButtonView, Qt::LeftButton);
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].text, "Could not run viewer");
    EXPECT_EQ(driver.messages()[0].caption, "Source Safe");
    EXPECT_EQ(driver.messages()[0].style, ui::MB_ICONEXCLAMATION);
}

TEST_F(ShowHistoryTest, SpareButtonsAndEnterDoNothing) {
    TFormShowHistory form(database, "$/Proj", hostFile());
    driver.drive([](ui::Form& shown) {
        auto& f = static_cast<TFormShowHistory&>(shown);
        for (QPushButton* button : {f.Button3, f.Button4, f.Button5})
            QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClick(&f, Qt::Key_Return);
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(f.ListViewHistory->topLevelItemCount(), 4);
        f.close();
    });
    EXPECT_EQ(form.showModal(), ui::mrCancel);
}

TEST_F(ShowHistoryTest, DifferencesOfTheSelectedVersionWithTheLocalCopy) {
    TFormShowHistory form(database, "$/Proj", hostFile());
    form.ListViewHistory->topLevelItem(3)->setSelected(true); // version 1: "one"
    driver.drive([](ui::Form& shown) {
        EXPECT_EQ(shown.windowTitle(), "Show Differences");
        EXPECT_EQ(shown.findChild<QLabel*>("LabelOld")->text(), "$/Proj/Unit1.pas, version 1");
        EXPECT_EQ(shown.findChild<QLabel*>("LabelStatus")->text(), "Change 1 of 1.");
        QTest::keyClick(&shown, Qt::Key_Escape);
    });
    form.ShowDifferencesOfSelected();
    EXPECT_EQ(driver.shownForms(), std::vector<std::string>{"Show Differences"});
}

} // namespace
