// The frame every file dialog shares: OK following the user's selection, the switch to "Close",
// pre-selection, the run's failures outside the per-file guard, and the server run around it.
#include "DialogFixture.h"

#include "UnitCheckIn.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitRemoveFromControl.h"
#include "UnitUndoCheckOut.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using FileList = DialogFixture;

TEST_F(FileList, ListsFollowEachFilterInIndexOrder) {
    {
        TFormCheckOut dialog(database, "$/Proj", "");
        // By index from 1 to the count; a listed child is taken again for its name.
        std::vector<std::string> indexes;
        for (const auto& call : plan->callsOf("get_Item"))
            indexes.push_back(call.item);
        EXPECT_EQ(indexes, std::vector<std::string>({"1", "1", "2", "3", "4", "4"}));
        EXPECT_EQ(plan->callsOf("get_Count").size(), 1u);
    }
    EXPECT_EQ(entries(TFormCheckOut(database, "$/Proj", "").ListBoxFileList),
              QStringList({"A.pas", "D.pas"}));
    EXPECT_EQ(entries(TFormCheckIn(database, "$/Proj", "").ListBoxFileList),
              QStringList({"B.pas"}));
    EXPECT_EQ(entries(TFormUndoCheckOut(database, "$/Proj", "").ListBoxFileList),
              QStringList({"B.pas"}));
    const QStringList all{"A.pas", "B.pas", "C.pas", "D.pas"};
    EXPECT_EQ(entries(TFormGetLatest(database, "$/Proj", "").ListBoxFileList), all);
    EXPECT_EQ(entries(TFormRemoveFromControl(database, "$/Proj", "").ListBoxFileList), all);
}

TEST_F(FileList, SubprojectsAreListedByNameForGetAndRemove) {
    env.ss({"mkproj", "$/Proj/Sub"});
    EXPECT_TRUE(entries(TFormGetLatest(database, "$/Proj", "").ListBoxFileList).contains("Sub"));
    EXPECT_TRUE(
        entries(TFormRemoveFromControl(database, "$/Proj", "").ListBoxFileList).contains("Sub"));
}

TEST_F(FileList, ConstructionFailuresLeaveTheConstructor) {
    EXPECT_THROW(TFormCheckOut(database, "$/Missing", ""), EVssError);
    plan->fail("get_IsCheckedOut", "state unreadable", "D.pas");
    try {
        TFormCheckIn dialog(database, "$/Proj", "");
        ADD_FAILURE() << "the dialog was built";
    } catch (const EVssError& error) {
        EXPECT_STREQ(error.what(), "state unreadable");
    }
    plan->clearFaults();
    plan->fail("get_Name", "name unreadable", "C.pas");
    EXPECT_THROW(TFormGetLatest(database, "$/Proj", ""), EVssError);
}

TEST_F(FileList, PreselectsTheFileNamePartWithoutRegardToCase) {
    struct Case {
        std::string fileName;
        QStringList selected;
    };
    for (const Case& c : {Case{"C:\\Work\\Demo\\d.PAS", {"D.pas"}},
                          Case{"/home/ann/demo/b.pas", {"B.pas"}}, Case{"a.pas", {"A.pas"}},
                          Case{"", {}}, Case{"C:\\Work\\Z.pas", {}}, Case{"C:\\Work\\", {}}}) {
        TFormGetLatest dialog(database, "$/Proj", c.fileName);
        driver.drive([&](ui::Form&) {
            EXPECT_EQ(selectedEntries(dialog.ListBoxFileList), c.selected) << c.fileName;
            // FormShow sets OK by the selection.
            EXPECT_EQ(dialog.ButtonOk->isEnabled(), !c.selected.isEmpty()) << c.fileName;
            click(dialog.ButtonCancel);
        });
        EXPECT_EQ(dialog.showModal(), ui::mrCancel);
    }
}

TEST_F(FileList, PreselectedEntryIsScrolledToTheTop) {
    env.ss({"mkproj", "$/Many"});
    std::vector<std::string> add{"add", "$/Many"};
    for (int i = 0; i < 30; ++i)
        add.push_back(
            env.write(env.root() / "many" / ("F" + std::to_string(10 + i) + ".pas"), "x").string());
    env.ss(add);
    TFormGetLatest dialog(database, "$/Many", "f30.pas");
    driver.drive([&](ui::Form&) {
        QListWidget* list = dialog.ListBoxFileList;
        EXPECT_EQ(selectedEntries(list), QStringList({"F30.pas"}));
        EXPECT_EQ(list->indexAt(QPoint(4, 2)).row(), 20);
        EXPECT_EQ(list->visualItemRect(list->item(20)).height(), 16);
        click(dialog.ButtonCancel);
    });
    dialog.showModal();
}

TEST_F(FileList, OkFollowsTheUsersClicksAndKeys) {
    TFormCheckOut dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        QListWidget* list = dialog.ListBoxFileList;
        EXPECT_FALSE(dialog.ButtonOk->isEnabled());
        clickEntry(list, 0);
        EXPECT_TRUE(dialog.ButtonOk->isEnabled());
        clickEntry(list, 1, Qt::ShiftModifier);
        EXPECT_EQ(selectedEntries(list), QStringList({"A.pas", "D.pas"}));
        clickEntry(list, 0, Qt::ControlModifier);
        clickEntry(list, 1, Qt::ControlModifier);
        EXPECT_TRUE(selectedEntries(list).isEmpty());
        EXPECT_FALSE(dialog.ButtonOk->isEnabled());
        // A typed character selects by the first letter.
        QTest::keyClick(list, Qt::Key_D);
        EXPECT_EQ(selectedEntries(list), QStringList({"D.pas"}));
        EXPECT_TRUE(dialog.ButtonOk->isEnabled());
        // A selection the program makes is no user event.
        list->clearSelection();
        EXPECT_TRUE(dialog.ButtonOk->isEnabled());
        QTest::keyClick(list, Qt::Key_Up);
        EXPECT_EQ(selectedEntries(list), QStringList({"A.pas"}));
        EXPECT_TRUE(dialog.ButtonOk->isEnabled());
        click(dialog.ButtonCancel);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrCancel);
    EXPECT_TRUE(plan->callsOf("Checkout").empty());
}

TEST_F(FileList, AnEmptyListKeepsOkDisabled) {
    env.ss({"checkout", "$/Proj/A.pas"});
    env.ss({"checkout", "$/Proj/D.pas"});
    TFormCheckOut dialog(database, "$/Proj", "A.pas");
    driver.drive([&](ui::Form&) {
        EXPECT_EQ(dialog.ListBoxFileList->count(), 0);
        EXPECT_FALSE(dialog.ButtonOk->isEnabled());
        QTest::keyClick(dialog.ListBoxFileList, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(dialog.ListBoxFileList, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrCancel);
}

TEST_F(FileList, CloseStaysEnabledAfterEverySuccessUntilTheUserClicks) {
    TFormGetLatest dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        QListWidget* list = dialog.ListBoxFileList;
        clickEntry(list, 0);
        clickEntry(list, 3, Qt::ControlModifier);
        click(dialog.ButtonOk);
        EXPECT_EQ(dialog.ButtonOk->text(), "Close");
        EXPECT_TRUE(selectedEntries(list).isEmpty());
        EXPECT_TRUE(dialog.ButtonOk->isEnabled());
        EXPECT_EQ(dialog.focusWidget(), dialog.ButtonOk);
        EXPECT_FALSE(dialog.ButtonCancel->isEnabled());
        EXPECT_FALSE(dialog.ButtonAdvanced->isEnabled());
        clickBelowEntries(list);
        EXPECT_FALSE(dialog.ButtonOk->isEnabled());
        clickEntry(list, 2);
        EXPECT_TRUE(dialog.ButtonOk->isEnabled());
        click(dialog.ButtonOk);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrOk);
    // The second press closed the dialog and started no second run.
    EXPECT_EQ(plan->callsOf("Get").size(), 2u);
    EXPECT_EQ(logLines(dialog.MemoLog).size(), 2);
    EXPECT_EQ(driver.busyChanges(), 2);
}

// The release that ends the double-click comes after the run has deselected every entry: it is
// no selection of the user's, so "Close" stays enabled.
TEST_F(FileList, ADoubleClickRunLeavesCloseEnabled) {
    struct Case {
        std::function<std::unique_ptr<TFormFileList>()> make;
        int row;
        const char* method;
    };
    const std::vector<Case> cases = {
        {[&] { return std::make_unique<TFormCheckOut>(database, "$/Proj", ""); }, 1, "Checkout"},
        {[&] { return std::make_unique<TFormGetLatest>(database, "$/Proj", ""); }, 2, "Get"},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<TFormFileList> dialog = c.make();
        driver.drive([&](ui::Form&) {
            doubleClickEntry(dialog->ListBoxFileList, c.row);
            EXPECT_EQ(dialog->ButtonOk->text(), "Close") << c.method;
            EXPECT_TRUE(selectedEntries(dialog->ListBoxFileList).isEmpty()) << c.method;
            EXPECT_TRUE(dialog->ButtonOk->isEnabled()) << c.method;
            click(dialog->ButtonOk);
        });
        EXPECT_EQ(dialog->showModal(), ui::mrOk) << c.method;
        EXPECT_EQ(plan->callsOf(c.method).size(), 1u) << c.method;
    }
}

TEST_F(FileList, TheFinishedStateIgnoresEscAndDoubleClicks) {
    TFormCheckOut dialog(database, "$/Proj", "A.pas");
    driver.drive([&](ui::Form&) {
        QListWidget* list = dialog.ListBoxFileList;
        doubleClickEntry(list, 0); // the run
        ASSERT_EQ(dialog.ButtonOk->text(), "Close");
        QTest::keyClick(dialog.ButtonOk, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());
        doubleClickEntry(list, 1);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(logLines(dialog.MemoLog), QStringList({"Checking out $/Proj/A.pas"}));
        // Enter presses "Close".
        QTest::keyClick(list, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrOk);
    EXPECT_EQ(plan->callsOf("Checkout").size(), 1u);
    EXPECT_EQ(checkOutState("D.pas"), vss::kNotCheckedOut);
}

TEST_F(FileList, EnterInTheListRunsAndEnterInTheCommentStartsALine) {
    TFormCheckOut dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        QTest::keyClicks(dialog.MemoComment, "one");
        QTest::keyClick(dialog.MemoComment, Qt::Key_Return);
        QTest::keyClicks(dialog.MemoComment, "two");
        EXPECT_EQ(dialog.ButtonOk->text(), "OK");
        clickEntry(dialog.ListBoxFileList, 1);
        QTest::keyClick(dialog.ListBoxFileList, Qt::Key_Enter);
        EXPECT_EQ(dialog.ButtonOk->text(), "Close");
        clickEntry(dialog.ListBoxFileList, 0);
        click(dialog.ButtonOk);
    });
    dialog.showModal();
    ASSERT_EQ(plan->callsOf("Checkout").size(), 1u);
    EXPECT_EQ(plan->callsOf("Checkout")[0].comment, "one\r\ntwo");
}

TEST_F(FileList, RemoveHasNoDoubleClickAction) {
    TFormRemoveFromControl dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        doubleClickEntry(dialog.ListBoxFileList, 0);
        EXPECT_EQ(dialog.ButtonOk->text(), "OK");
        EXPECT_TRUE(dialog.MemoLog->toPlainText().isEmpty());
        EXPECT_TRUE(dialog.ButtonOk->isEnabled());
        click(dialog.ButtonCancel);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrCancel);
    EXPECT_TRUE(plan->callsOf("put_Deleted").empty());
}

TEST_F(FileList, AProjectLookupFailureInTheRunGoesToTheErrorDisplay) {
    // The first lookup is the constructor's.
    plan->fail("get_VSSItem", "project unreadable", "$/Proj", 2);
    TFormCheckOut dialog(database, "$/Proj", "A.pas");
    driver.drive([&](ui::Form&) {
        click(dialog.ButtonOk);
        EXPECT_EQ(driver.errors(), std::vector<std::string>({"project unreadable"}));
        EXPECT_FALSE(driver.busy());
        EXPECT_EQ(dialog.ButtonOk->text(), "OK");
        EXPECT_TRUE(dialog.ButtonCancel->isEnabled());
        EXPECT_TRUE(dialog.ButtonAdvanced->isEnabled());
        EXPECT_TRUE(dialog.MemoLog->toPlainText().isEmpty());
        // The user may try again.
        click(dialog.ButtonOk);
        EXPECT_EQ(dialog.ButtonOk->text(), "Close");
        click(dialog.ButtonOk);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrOk);
    EXPECT_EQ(checkOutState("A.pas"), vss::kCheckedOutMe);
}

TEST_F(FileList, AChildLookupFailureEndsTheRunAtThatEntry) {
    env.ss({"checkout", "$/Proj/D.pas"});
    TFormUndoCheckOut undo(database, "$/Proj", "");
    plan->fail("get_Item", "child unreadable", "B.pas");
    driver.drive([&](ui::Form&) {
        clickEntry(undo.ListBoxFileList, 0);
        clickEntry(undo.ListBoxFileList, 1, Qt::ControlModifier);
        click(undo.ButtonOk);
        EXPECT_EQ(driver.errors(), std::vector<std::string>({"child unreadable"}));
        EXPECT_EQ(undo.ButtonOk->text(), "OK");
        EXPECT_TRUE(undo.ButtonCancel->isEnabled());
        // B.pas comes first: nothing was processed, D.pas stays selected.
        EXPECT_TRUE(undo.MemoLog->toPlainText().isEmpty());
        EXPECT_EQ(selectedEntries(undo.ListBoxFileList), QStringList({"B.pas", "D.pas"}));
        QTest::keyClick(undo.ListBoxFileList, Qt::Key_Escape);
    });
    EXPECT_EQ(undo.showModal(), ui::mrCancel);
    EXPECT_TRUE(plan->callsOf("UndoCheckout").empty());
    EXPECT_EQ(driver.busyChanges(), 2);
}

TEST_F(FileList, ASpecReadFailingForTheFailureLineGoesToTheErrorDisplay) {
    plan->fail("Get", "disk full", "A.pas");
    plan->fail("get_Spec", "spec unreadable", "A.pas", 2);
    TFormGetLatest dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        clickEntry(dialog.ListBoxFileList, 0);
        clickEntry(dialog.ListBoxFileList, 1, Qt::ControlModifier);
        click(dialog.ButtonOk);
        EXPECT_EQ(driver.errors(), std::vector<std::string>({"spec unreadable"}));
        EXPECT_EQ(logLines(dialog.MemoLog), QStringList({"Getting $/Proj/A.pas"}));
        EXPECT_EQ(dialog.ButtonOk->text(), "OK");
        click(dialog.ButtonCancel);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrCancel);
    EXPECT_TRUE(callsOn("Get", "B.pas").empty());
}

// The calls of the given methods, in the order the server received them.
std::vector<std::string> callsAmong(const testenv::FaultPlan& plan,
                                    const std::vector<std::string>& methods) {
    std::vector<std::string> result;
    for (const auto& call : plan.calls())
        if (std::find(methods.begin(), methods.end(), call.method) != methods.end())
            result.push_back(call.method);
    return result;
}

TEST_F(FileList, OneServerRunSpansTheRunOnEveryWayOut) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TFormFileList>()> make;
        const char* operation;
        const char* failingLookup; // a child whose lookup ends the run, or none
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"get",
         [&] { return std::make_unique<TFormGetLatest>(database, "$/Proj", ""); },
         "Get",
         nullptr,
         {"BeginRun", "Get", "Get", "EndRun"}},
        {"check out",
         [&] { return std::make_unique<TFormCheckOut>(database, "$/Proj", ""); },
         "Checkout",
         nullptr,
         {"BeginRun", "Checkout", "Checkout", "EndRun"}},
        {"get, second lookup failing",
         [&] { return std::make_unique<TFormGetLatest>(database, "$/Proj", ""); },
         "Get",
         "B.pas",
         {"BeginRun", "Get", "EndRun"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plan->clearCalls();
        plan->clearFaults();
        if (c.failingLookup)
            plan->fail("get_Item", "child unreadable", c.failingLookup);
        const auto dialog = c.make();
        driver.drive([&](ui::Form&) {
            clickEntry(dialog->ListBoxFileList, 0);
            clickEntry(dialog->ListBoxFileList, 1, Qt::ControlModifier);
            click(dialog->ButtonOk);
            click(dialog->ButtonOk->text() == "Close" ? dialog->ButtonOk : dialog->ButtonCancel);
        });
        const std::size_t errorsBefore = driver.errors().size();
        dialog->showModal();
        EXPECT_EQ(callsAmong(*plan, {"BeginRun", "EndRun", c.operation}), c.expected);
        EXPECT_EQ(driver.errors().size() - errorsBefore, c.failingLookup ? 1u : 0u);
    }
}

TEST_F(FileList, AFailedEndOfTheRunGoesToTheErrorDisplayAfterItsLinesAreShown) {
    plan->fail("EndRun", "the disk could not be flushed");
    TFormCheckOut dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        clickEntry(dialog.ListBoxFileList, 0);
        click(dialog.ButtonOk);
        EXPECT_EQ(driver.errors(), std::vector<std::string>({"the disk could not be flushed"}));
        EXPECT_EQ(logLines(dialog.MemoLog), QStringList({"Checking out $/Proj/A.pas"}));
        EXPECT_TRUE(selectedEntries(dialog.ListBoxFileList).isEmpty());
        EXPECT_EQ(dialog.ButtonOk->text(), "OK");
        EXPECT_FALSE(driver.busy());
        click(dialog.ButtonCancel);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrCancel);
}

} // namespace
