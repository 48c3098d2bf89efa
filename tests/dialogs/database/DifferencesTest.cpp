#include "UnitShowDifferences.h"

#include "DiffRowsModel.h"
#include "LineDiff.h"

#include "TestEnvironment.h"

#include <ui/ScriptedDriver.h>

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Hunk = LineDiff::Hunk;
using Kind = DiffRowsModel::Kind;

TEST(LineDiffTest, HunksOfTypicalEdits) {
    struct Case {
        const char* name;
        const char* oldText;
        const char* newText;
        std::vector<Hunk> hunks;
    };
    const std::vector<Case> cases = {
        {"identical", "a\nb\n", "a\nb\n", {}},
        {"both empty", "", "", {}},
        {"changed middle", "a\nb\nc\n", "a\nB\nc\n", {{1, 1, 1, 1}}},
        {"added at end", "a\n", "a\nb\nc\n", {{1, 0, 1, 2}}},
        {"added at start", "b\n", "a\nb\n", {{0, 0, 0, 1}}},
        {"removed middle", "a\nb\nc\n", "a\nc\n", {{1, 1, 1, 0}}},
        {"two regions", "a\nb\nc\nd\ne\n", "A\nb\nc\nd\nE\n", {{0, 1, 0, 1}, {4, 1, 4, 1}}},
        {"from nothing", "", "x\ny\n", {{0, 0, 0, 2}}},
        {"last line without newline", "a\nb", "a\nc", {{1, 1, 1, 1}}},
    };
    for (const Case& c : cases) {
        const LineDiff diff(c.oldText, c.newText);
        EXPECT_FALSE(diff.binary()) << c.name;
        EXPECT_EQ(diff.hunks(), c.hunks) << c.name;
        EXPECT_EQ(diff.identical(), c.hunks.empty()) << c.name;
    }
}

TEST(LineDiffTest, NulBytesMakeBinary) {
    const LineDiff diff(std::string("a\0b", 3), "a\n");
    EXPECT_TRUE(diff.binary());
    EXPECT_FALSE(diff.identical());
    EXPECT_TRUE(diff.hunks().empty());
}

TEST(LineDiffTest, SplitLinesDropsLineEnds) {
    EXPECT_EQ(LineDiff::splitLines("a\r\nb\nc"), (std::vector<std::string_view>{"a", "b", "c"}));
    EXPECT_EQ(LineDiff::splitLines("a\n\n"), (std::vector<std::string_view>{"a", ""}));
    EXPECT_TRUE(LineDiff::splitLines("").empty());
}

// Rows as "old number|old text|new number|new text|kind".
QStringList rowsOf(const DiffRowsModel& model) {
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(r, c).data().toString();
        cells << QString::number(model.index(r, 0).data(DiffRowsModel::KindRole).toInt());
        rows << cells.join('|');
    }
    return rows;
}

TEST(DiffRowsModelTest, SideBySideRows) {
    const std::string oldText = "keep\nold one\nold two\ngone\nend\n";
    const std::string newText = "keep\nnew one\nend\nadded\n";
    const LineDiff diff(oldText, newText);
    const DiffRowsModel model(oldText, newText, diff);
    const QString same = QString::number(int(Kind::Same));
    const QString changed = QString::number(int(Kind::Changed));
    const QString removed = QString::number(int(Kind::Removed));
    const QString added = QString::number(int(Kind::Added));
    const QStringList expected{"1|keep|1|keep|" + same,  "2|old one|2|new one|" + changed,
                               "3|old two|||" + removed, "4|gone|||" + removed,
                               "5|end|3|end|" + same,    "||4|added|" + added};
    EXPECT_EQ(rowsOf(model).join('\n').toStdString(), expected.join('\n').toStdString());
    EXPECT_EQ(model.changeStarts(), (std::vector<int>{1, 5}));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "SourceSafe");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "Local");
    EXPECT_FALSE(model.index(0, 1).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(model.index(1, 1).data(Qt::BackgroundRole).isValid());
}

// The window against a real database: $/Proj/Unit1.pas holds five lines.
class DifferencesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto folder = env.createDatabase();
        env.ss({"mkproj", "$/Proj"});
        const auto stored = env.write(env.root() / "stored" / "Unit1.pas", kStored);
        env.write(env.root() / "stored" / "Data.bin", std::string("\x01\x00\x02\n", 4));
        env.ss({"add", "$/Proj", stored.string(), (env.root() / "stored" / "Data.bin").string()});
        database = CoVSSDatabase::Create();
        database.open((folder / "srcsafe.ini").string(), testenv::TestEnvironment::currentUser(),
                      "");
    }
    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }
    std::string local(const std::string& text, const std::string& name = "Unit1.pas") {
        return env.write(env.root() / "local" / name, text).string();
    }

    static constexpr const char* kStored = "one\ntwo\nthree\nfour\nfive\n";
    testenv::TestEnvironment env;
    ui::ScriptedDriver driver;
    VssDatabase database;
};

TEST_F(DifferencesWindowTest, IdenticalFiles) {
    TFormShowDifferences form(database.item("$/Proj/Unit1.pas"), 0, local(kStored));
    EXPECT_EQ(form.windowTitle(), "Show Differences");
    EXPECT_EQ(form.LabelStatus->text(), "The files are identical.");
    EXPECT_EQ(form.LabelOld->text(), "$/Proj/Unit1.pas, version 1");
    EXPECT_EQ(form.LabelNew->text(), QString::fromStdString(local(kStored)));
    ASSERT_NE(form.rows(), nullptr);
    EXPECT_EQ(form.rows()->rowCount(), 5);
    EXPECT_TRUE(form.rows()->changeStarts().empty());
    EXPECT_FALSE(form.ButtonNext->isEnabled());
    EXPECT_FALSE(form.ButtonPrevious->isEnabled());
}

TEST_F(DifferencesWindowTest, AddedRemovedAndChangedLinesWithNextAndPrevious) {
    TFormShowDifferences form(database.item("$/Proj/Unit1.pas"), 0,
                              local("zero\none\nTWO\nthree\nfive\n"));
    ASSERT_NE(form.rows(), nullptr);
    const DiffRowsModel& rows = *form.rows();
    ASSERT_EQ(rows.changeStarts().size(), 3u);
    EXPECT_EQ(rows.kind(rows.changeStarts()[0]), Kind::Added);
    EXPECT_EQ(rows.kind(rows.changeStarts()[1]), Kind::Changed);
    EXPECT_EQ(rows.kind(rows.changeStarts()[2]), Kind::Removed);
    // Opening shows the first change.
    EXPECT_EQ(form.currentChange(), 0);
    EXPECT_EQ(form.LabelStatus->text(), "Change 1 of 3.");
    EXPECT_FALSE(form.ButtonPrevious->isEnabled());

    driver.drive([](ui::Form& shown) {
        auto& f = static_cast<TFormShowDifferences&>(shown);
        QTest::mouseClick(f.ButtonNext, Qt::LeftButton);
        QTest::mouseClick(f.ButtonNext, Qt::LeftButton);
        EXPECT_EQ(f.currentChange(), 2);
        EXPECT_EQ(f.LabelStatus->text(), "Change 3 of 3.");
        EXPECT_FALSE(f.ButtonNext->isEnabled());
        EXPECT_EQ(f.GridDifferences->currentIndex().row(), f.rows()->changeStarts()[2]);
        QTest::mouseClick(f.ButtonPrevious, Qt::LeftButton);
        EXPECT_EQ(f.currentChange(), 1);
        EXPECT_TRUE(f.ButtonNext->isEnabled());
        EXPECT_TRUE(f.ButtonPrevious->isEnabled());
        QTest::keyClick(&f, Qt::Key_Escape);
    });
    EXPECT_EQ(form.showModal(), ui::mrOk);
}

TEST_F(DifferencesWindowTest, BinaryFileGetsAMessage) {
    TFormShowDifferences form(database.item("$/Proj/Data.bin"), 0,
                              local(std::string("\x01\x00\x03\n", 4), "Data.bin"));
    EXPECT_EQ(form.rows(), nullptr);
    EXPECT_EQ(form.LabelStatus->text(),
              "Data.bin is a binary file; its differences cannot be shown.");
    EXPECT_FALSE(form.ButtonNext->isEnabled());
}

TEST_F(DifferencesWindowTest, MissingLocalFileRaises) {
    EXPECT_THROW(TFormShowDifferences(database.item("$/Proj/Unit1.pas"), 0,
                                      (env.root() / "nowhere.pas").string()),
                 std::runtime_error);
}

TEST_F(DifferencesWindowTest, OlderVersionAgainstLocalCopy) {
    env.ss({"workfold", "$/Proj", (env.root() / "work").string()});
    env.ss({"checkout", "$/Proj/Unit1.pas"});
    env.write(env.root() / "work" / "Unit1.pas", "one\n2\nthree\nfour\nfive\n");
    env.ss({"checkin", "$/Proj/Unit1.pas", "-c", "second"});
    const VssItem item = database.item("$/Proj/Unit1.pas");
    TFormShowDifferences first(item, 1, local(kStored));
    EXPECT_EQ(first.LabelStatus->text(), "The files are identical.");
    EXPECT_EQ(first.LabelOld->text(), "$/Proj/Unit1.pas, version 1");
    TFormShowDifferences latest(item, 0, local(kStored));
    EXPECT_EQ(latest.LabelStatus->text(), "Change 1 of 1.");
    EXPECT_EQ(latest.LabelOld->text(), "$/Proj/Unit1.pas, version 2");
}

} // namespace
