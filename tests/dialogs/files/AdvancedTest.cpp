// The advanced-option dialogs, driven through the scripted driver from their file dialogs: what
// OK, changed choices and Cancel hand back, seen in the flags the server received.
#include "DialogFixture.h"

#include "UnitAdvancedCheckOut.h"
#include "UnitAdvancedGet.h"
#include "UnitAdvancedUndoCheckout.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitUndoCheckOut.h"

#include <vss/VssInterfaces.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

using Advanced = DialogFixture;

template <class T> T& as(ui::Form& form) {
    auto* dialog = dynamic_cast<T*>(&form);
    if (!dialog)
        throw std::runtime_error("unexpected form " + form.windowTitle().toStdString());
    return *dialog;
}

// Opens the advanced dialog once per action, then runs on the first entry and returns the flags
// the server received.
template <class Dialog>
std::int32_t flagsAfter(ui::ScriptedDriver& driver, VssDatabase database,
                        const testenv::FaultPlan& plan, const char* method,
                        const std::vector<std::function<void(ui::Form&)>>& advancedActions) {
    Dialog dialog(database, "$/Proj", "");
    driver.drive([&](ui::Form&) {
        for (std::size_t i = 0; i < advancedActions.size(); ++i)
            click(dialog.ButtonAdvanced);
        clickEntry(dialog.ListBoxFileList, 0);
        click(dialog.ButtonOk);
        EXPECT_FALSE(dialog.ButtonAdvanced->isEnabled());
        click(dialog.ButtonOk);
    });
    for (auto& action : advancedActions)
        driver.drive(action);
    dialog.showModal();
    const auto calls = plan.callsOf(method);
    return calls.empty() ? -1 : calls.back().flags;
}

void choose(QComboBox* box, int downs) {
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(box, Qt::Key_Down);
}

TEST_F(Advanced, CheckOutOkWithoutChangesGivesTheFirstChoices) {
    storeSettings(sampleSettings());
    const auto flags =
        flagsAfter<TFormCheckOut>(driver, database, *plan, "Checkout", {[](ui::Form& form) {
                                      auto& a = as<TFormAdvancedCheckOut>(form);
                                      click(a.ButtonOk);
                                  }});
    // ReadOnly and Compare stay as stored; Replace 128, Date 4, fetch a local copy.
    EXPECT_EQ(flags, 2 + 512 + 4 + 128 + 67108864);
    EXPECT_EQ(driver.shownForms(),
              std::vector<std::string>({"Check Out", "Advanced Check Out Options"}));
}

TEST_F(Advanced, CheckOutChoicesReachTheServer) {
    storeSettings(sampleSettings());
    const auto flags =
        flagsAfter<TFormCheckOut>(driver, database, *plan, "Checkout", {[](ui::Form& form) {
                                      auto& a = as<TFormAdvancedCheckOut>(form);
                                      choose(a.ComBoxReplaceWriteable, 2);
                                      choose(a.ComBoxSetTimestamp, 2);
                                      click(a.CBoxDontGet);
                                      click(a.ButtonOk);
                                  }});
    EXPECT_EQ(flags, 2 + 512 + 12 + 256 + 134217728);
    EXPECT_EQ(checkOutState("A.pas"), vss::kCheckedOutMe);
}

TEST_F(Advanced, CheckOutCancelPutsTheStoredSettingsBack) {
    storeSettings(sampleSettings());
    auto changeAndOk = [](ui::Form& form) {
        auto& a = as<TFormAdvancedCheckOut>(form);
        choose(a.ComBoxReplaceWriteable, 1);
        click(a.CBoxDontGet);
        click(a.ButtonOk);
    };
    auto lookAndCancel = [](ui::Form& form) {
        auto& a = as<TFormAdvancedCheckOut>(form);
        // Each opening starts again from the first choices.
        EXPECT_EQ(a.ComBoxReplaceWriteable->currentText(), "Replace");
        EXPECT_EQ(a.ComBoxSetTimestamp->currentText(), "Current");
        EXPECT_FALSE(a.CBoxDontGet->isChecked());
        choose(a.ComBoxSetTimestamp, 1);
        QTest::keyClick(&a, Qt::Key_Escape);
    };
    const auto flags = flagsAfter<TFormCheckOut>(driver, database, *plan, "Checkout",
                                                 {changeAndOk, lookAndCancel});
    EXPECT_EQ(flags, 2 + 512 + 8 + 192);
}

TEST_F(Advanced, GetOkWithoutChangesMakesTheCopyReadOnly) {
    TVSSProperties stored = sampleSettings();
    stored.ReadOnly = vss::FlagWritable;
    storeSettings(stored);
    const auto flags = flagsAfter<TFormGetLatest>(
        driver, database, *plan, "Get",
        {[](ui::Form& form) { click(as<TFormAdvancedGet>(form).ButtonOk); }});
    EXPECT_EQ(flags, 2 + 512 + 4 + 128);
}

TEST_F(Advanced, GetChoicesAndCancel) {
    storeSettings(sampleSettings());
    auto chooseAll = [](ui::Form& form) {
        auto& a = as<TFormAdvancedGet>(form);
        choose(a.ComBoxReplaceWriteable, 1);
        choose(a.ComBoxSetTimestamp, 2);
        click(a.CBoxMakeWriteable);
        click(a.ButtonOk);
    };
    EXPECT_EQ(flagsAfter<TFormGetLatest>(driver, database, *plan, "Get", {chooseAll}),
              1 + 512 + 12 + 192);
    auto cancel = [](ui::Form& form) {
        auto& a = as<TFormAdvancedGet>(form);
        choose(a.ComBoxReplaceWriteable, 2);
        click(a.ButtonCancel);
    };
    EXPECT_EQ(flagsAfter<TFormGetLatest>(driver, database, *plan, "Get", {chooseAll, cancel}),
              2 + 512 + 8 + 192);
}

TEST_F(Advanced, UndoLocalCopyChoices) {
    storeSettings(sampleSettings());
    const std::int32_t stored = 2 + 512 + 8 + 192 + 33554432;
    auto pick = [](int downs) {
        return [downs](ui::Form& form) {
            auto& a = as<TFormAdvancedUndoCheckout>(form);
            EXPECT_EQ(a.ComBoxLocalCopy->currentText(), "Default");
            choose(a.ComBoxLocalCopy, downs);
            click(a.ButtonOk);
        };
    };
    auto cancel = [](ui::Form& form) {
        auto& a = as<TFormAdvancedUndoCheckout>(form);
        choose(a.ComBoxLocalCopy, 2);
        click(a.ButtonCancel);
    };
    // The undo dialog lists B.pas only; each run undoes its check-out, so check it out again.
    struct Case {
        std::vector<std::function<void(ui::Form&)>> actions;
        std::int32_t flags;
    };
    for (const Case& c : {Case{{pick(0)}, stored}, Case{{pick(1)}, stored + 786432},
                          Case{{pick(2)}, stored + 262144}, Case{{pick(2), cancel}, stored}}) {
        EXPECT_EQ(flagsAfter<TFormUndoCheckOut>(driver, database, *plan, "UndoCheckout", c.actions),
                  c.flags);
        EXPECT_EQ(checkOutState("B.pas"), vss::kNotCheckedOut);
        env.ss({"checkout", "$/Proj/B.pas", "--no-get"});
    }
}

} // namespace
