// Each dialog's operation: its log and failure lines, the flags the server received, and what
// the server did.
#include "DialogFixture.h"

#include "UnitCheckIn.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitRemoveFromControl.h"
#include "UnitUndoCheckOut.h"

#include <vss/VssInterfaces.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>

namespace {

using Operations = DialogFixture;

// Selects the given rows and presses OK, then "Close".
void runOn(TFormFileList& dialog, std::initializer_list<int> rows) {
    for (int row : rows)
        clickEntry(dialog.ListBoxFileList, row, Qt::ControlModifier);
    click(dialog.ButtonOk);
    EXPECT_EQ(dialog.ButtonOk->text(), "Close");
}

TEST_F(Operations, CheckOutNamesTheSourceSafePathAndUsesOneComment) {
    storeSettings(sampleSettings());
    plan->fail("Checkout", "locked by the test", "D.pas");
    TFormCheckOut dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        QTest::keyClicks(dialog.MemoComment, "fix");
        runOn(dialog, {0, 1});
        EXPECT_EQ(logLines(dialog.MemoLog),
                  QStringList({"Checking out $/Proj/A.pas", "Checking out $/Proj/D.pas",
                               "Can't Checkout $/Proj/D.pas Reason:locked by the test"}));
        EXPECT_EQ(selectedEntries(dialog.ListBoxFileList), QStringList({"D.pas"}));
        click(dialog.ButtonOk);
    });
    dialog.showModal();
    const auto calls = plan->callsOf("Checkout");
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.comment, "fix");
        // ReadOnly + Compare + Date + Replace, no local-copy flag.
        EXPECT_EQ(call.flags, 2 + 512 + 8 + 192);
    }
    EXPECT_EQ(calls[0].local, localPath("A.pas"));
    EXPECT_EQ(callsOn("get_Spec", "D.pas").size(), 2u); // read again for the failure line
    EXPECT_EQ(checkOutState("A.pas"), vss::kCheckedOutMe);
    EXPECT_EQ(checkOutState("D.pas"), vss::kNotCheckedOut);
}

TEST_F(Operations, CheckOutLogsTheServersRefusal) {
    TFormCheckOut dialog(database, "$/Proj", "A.pas");
    // Somebody else gets there between the listing and the run.
    env.ss({"checkout", "$/Proj/A.pas", "--no-get"}, {}, true, "Other");
    driver.drive([&](ui::Form&) {
        click(dialog.ButtonOk);
        const QStringList lines = logLines(dialog.MemoLog);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0], "Checking out $/Proj/A.pas");
        EXPECT_TRUE(lines[1].startsWith("Can't Checkout $/Proj/A.pas Reason:"))
            << lines[1].toStdString();
        EXPECT_GT(lines[1].size(), QString("Can't Checkout $/Proj/A.pas Reason:").size());
        click(dialog.ButtonCancel); // disabled now: nothing happens
        EXPECT_TRUE(dialog.isVisible());
        clickEntry(dialog.ListBoxFileList, 0);
        click(dialog.ButtonOk);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrOk);
}

TEST_F(Operations, CheckInNamesTheLocalPathAndReusesItForTheFailureLine) {
    storeSettings(sampleSettings());
    env.ss({"checkout", "$/Proj/D.pas"});
    const std::string b = localPath("B.pas");
    const std::string d = localPath("D.pas");
    env.write(b, "unit B; changed\n");
    plan->fail("Checkin", "no space", "D.pas");
    TFormCheckIn dialog(database, "$/Proj", "C:\\Somewhere\\b.pas");
    driver.drive([&](ui::Form&) {
        EXPECT_FALSE(dialog.ButtonAdvanced->isEnabled());
        QTest::keyClicks(dialog.MemoComment, "done");
        runOn(dialog, {1});
        EXPECT_EQ(logLines(dialog.MemoLog),
                  QStringList({QString::fromStdString("Checking In " + b),
                               QString::fromStdString("Checking In " + d),
                               QString::fromStdString("Can't Checkin " + d + " Reason:no space")}));
        click(dialog.ButtonOk);
    });
    dialog.showModal();
    const auto calls = plan->callsOf("Checkin");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].flags, 2 + 512 + 8 + 192 + 33554432);
    EXPECT_EQ(calls[0].comment, "done");
    EXPECT_EQ(calls[1].comment, "done");
    EXPECT_EQ(callsOn("get_LocalSpec", "D.pas").size(), 1u); // not read again
    EXPECT_EQ(checkOutState("B.pas"), vss::kNotCheckedOut);
    EXPECT_EQ(server.item("$/Proj/B.pas").versionNumber(), 2);
}

TEST_F(Operations, CheckInWithoutALocalPathHasAnEmptyPathInTheFailureLine) {
    plan->fail("get_LocalSpec", "no working folder", "B.pas");
    TFormCheckIn dialog(database, "$/Proj", "B.pas");
    driver.drive([&](ui::Form&) {
        click(dialog.ButtonOk);
        EXPECT_EQ(logLines(dialog.MemoLog),
                  QStringList({"Can't Checkin  Reason:no working folder"}));
        click(dialog.ButtonOk);
    });
    dialog.showModal();
    EXPECT_TRUE(plan->callsOf("Checkin").empty());
}

TEST_F(Operations, GetNamesTheSourceSafePathAndNeverRecurses) {
    storeSettings(sampleSettings());
    std::filesystem::permissions(localPath("A.pas"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove(localPath("A.pas"));
    plan->fail("Get", "unreadable", "C.pas");
    TFormGetLatest dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        runOn(dialog, {0, 2});
        EXPECT_EQ(logLines(dialog.MemoLog),
                  QStringList({"Getting $/Proj/A.pas", "Getting $/Proj/C.pas",
                               "Couldn't Get $/Proj/C.pas Reason:unreadable"}));
        click(dialog.ButtonOk);
    });
    dialog.showModal();
    const auto calls = plan->callsOf("Get");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].flags, 2 + 512 + 8 + 192); // no Recursive
    EXPECT_EQ(calls[0].local, localPath("A.pas"));
    EXPECT_EQ(callsOn("get_Spec", "C.pas").size(), 2u); // read again for the failure line
    EXPECT_EQ(testenv::TestEnvironment::read(localPath("A.pas")), "unit A.pas;\n");
}

TEST_F(Operations, UndoNamesTheLocalPath) {
    storeSettings(sampleSettings());
    env.ss({"checkout", "$/Proj/A.pas"});
    const std::string a = localPath("A.pas");
    plan->fail("UndoCheckout", "refused", "A.pas");
    TFormUndoCheckOut dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        EXPECT_EQ(entries(dialog.ListBoxFileList), QStringList({"A.pas", "B.pas"}));
        runOn(dialog, {0, 1});
        EXPECT_EQ(
            logLines(dialog.MemoLog),
            QStringList({QString::fromStdString("Undo Checkout " + a),
                         QString::fromStdString("Can't Undo Checkout of " + a + " Reason:refused"),
                         QString::fromStdString("Undo Checkout " + localPath("B.pas"))}));
        click(dialog.ButtonOk);
    });
    dialog.showModal();
    const auto calls = plan->callsOf("UndoCheckout");
    ASSERT_EQ(calls.size(), 2u);
    // The stored Unchanged value is part of it; no local-copy flag without the advanced dialog.
    EXPECT_EQ(calls[1].flags, 2 + 512 + 8 + 192 + 33554432);
    EXPECT_EQ(checkOutState("B.pas"), vss::kNotCheckedOut);
    EXPECT_EQ(checkOutState("A.pas"), vss::kCheckedOutMe);
}

TEST_F(Operations, UndoWithoutALocalPathHasAnEmptyPathInTheFailureLine) {
    plan->fail("get_LocalSpec", "no working folder", "B.pas");
    TFormUndoCheckOut dialog(database, "$/Proj", "B.pas");
    driver.drive([&](ui::Form&) {
        click(dialog.ButtonOk);
        EXPECT_EQ(logLines(dialog.MemoLog),
                  QStringList({"Can't Undo Checkout of  Reason:no working folder"}));
        click(dialog.ButtonOk);
    });
    dialog.showModal();
}

TEST_F(Operations, RemoveMarksItemsDeletedWithoutAQuestion) {
    plan->fail("put_Deleted", "in use", "D.pas");
    TFormRemoveFromControl dialog(database, "$/Proj", "/work/project/a.pas");
    driver.drive([&](ui::Form&) {
        EXPECT_FALSE(dialog.ButtonAdvanced->isEnabled());
        runOn(dialog, {3});
        EXPECT_EQ(logLines(dialog.MemoLog),
                  QStringList({"Removing $/Proj/A.pas", "Removing $/Proj/D.pas",
                               "Couldn't Remove $/Proj/D.pas Reason:in use"}));
        click(dialog.ButtonOk);
    });
    dialog.showModal();
    EXPECT_TRUE(driver.messages().empty());
    EXPECT_THROW(server.item("$/Proj/A.pas"), EVssError);
    EXPECT_NO_THROW(server.item("$/Proj/D.pas"));
    // The list is built once: the removed entry stays, deselected.
    EXPECT_EQ(entries(dialog.ListBoxFileList).size(), 4);
    EXPECT_EQ(callsOn("get_Spec", "D.pas").size(), 2u); // read again for the failure line
    ASSERT_EQ(plan->callsOf("put_Deleted").size(), 2u);
    EXPECT_EQ(plan->callsOf("put_Deleted")[0].flags, com::kTrue);
}

} // namespace
