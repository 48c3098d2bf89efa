#include <ui/Application.h>
#include <ui/Form.h>
#include <ui/ScriptedDriver.h>

#include "QStringPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using ui::Form;

// A small dialog in the manner of the add-in's file dialogs.
class TestForm : public Form {
public:
    explicit TestForm(const QString& caption = QStringLiteral("Test Form")) {
        setWindowTitle(caption);
        setClientSize(300, 200);
        List = new QListWidget(this);
        List->setGeometry(0, 0, 200, 100);
        List->setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const char* name : {"a.pas", "b.pas", "c.pas", "d.pas"})
            List->addItem(QString::fromLatin1(name));
        Memo = new QPlainTextEdit(this);
        Memo->setGeometry(0, 110, 200, 80);
        ButtonOk = new QPushButton(QStringLiteral("OK"), this);
        ButtonOk->setGeometry(210, 10, 75, 25);
        ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
        ButtonCancel->setGeometry(210, 40, 75, 25);
        setDefaultButton(ButtonOk);
        setCancelButton(ButtonCancel);
        // No click handler: the result alone closes the form.
        setButtonModalResult(ButtonCancel, ui::mrCancel);
    }

    QListWidget* List;
    QPlainTextEdit* Memo;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
};

class UiFormTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }

    ui::ScriptedDriver driver;
};

TEST_F(UiFormTest, ButtonResultIsSetBeforeTheHandlerAndClosesAfterIt) {
    TestForm form;
    Form::setButtonModalResult(form.ButtonOk, ui::mrOk);
    int seen = -1;
    bool visibleInHandler = false;
    form.onClick(form.ButtonOk, [&] {
        seen = form.modalResult();
        visibleInHandler = form.isVisible();
    });
    driver.drive(
        [](Form& f) { QTest::mouseClick(static_cast<TestForm&>(f).ButtonOk, Qt::LeftButton); });

    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_EQ(seen, ui::mrOk);
    EXPECT_TRUE(visibleInHandler);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(driver.shownForms(), std::vector<std::string>{"Test Form"});
}

TEST_F(UiFormTest, HandlerClearingTheResultKeepsTheFormOpen) {
    TestForm form;
    Form::setButtonModalResult(form.ButtonOk, ui::mrOk);
    int clicks = 0;
    form.onClick(form.ButtonOk, [&] {
        if (++clicks == 1)
            form.setModalResult(ui::mrNone);
    });
    driver.drive([&](Form&) {
        form.ButtonOk->click();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.modalResult(), ui::mrNone);
        form.ButtonOk->click();
    });
    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_EQ(clicks, 2);
}

TEST_F(UiFormTest, ButtonWithoutResultClearsAResultSetBefore) {
    TestForm form;
    form.onClick(form.ButtonOk, [&] { EXPECT_EQ(form.modalResult(), ui::mrNone); });
    form.show();
    form.setModalResult(ui::mrOk);
    form.ButtonOk->click();
    EXPECT_TRUE(form.isVisible());
}

TEST_F(UiFormTest, EnterPressesTheDefaultButtonOnlyWhileEnabled) {
    TestForm form;
    int clicks = 0;
    form.onClick(form.ButtonOk, [&] { ++clicks; });
    form.show();
    form.List->setFocus();

    form.ButtonOk->setEnabled(false);
    QTest::keyClick(form.List, Qt::Key_Return);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(form.isVisible());

    form.ButtonOk->setEnabled(true);
    QTest::keyClick(form.List, Qt::Key_Return);
    QTest::keyClick(form.List, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks, 2);
}

TEST_F(UiFormTest, EscPressesTheCancelButtonOnlyWhileEnabled) {
    TestForm form;
    form.show();

    form.ButtonCancel->setEnabled(false);
    QTest::keyClick(form.List, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.modalResult(), ui::mrNone);

    form.ButtonCancel->setEnabled(true);
    QTest::keyClick(form.List, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.modalResult(), ui::mrCancel);
}

TEST_F(UiFormTest, EscWithoutCancelButtonDoesNothing) {
    TestForm form;
    form.setCancelButton(nullptr);
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(UiFormTest, EnterInAMultiLineEditStartsANewLine) {
    TestForm form;
    int clicks = 0;
    form.onClick(form.ButtonOk, [&] { ++clicks; });
    form.show();
    form.Memo->setFocus();
    QTest::keyClicks(form.Memo, QStringLiteral("one"));
    QTest::keyClick(form.Memo, Qt::Key_Return);
    QTest::keyClicks(form.Memo, QStringLiteral("two"));
    EXPECT_EQ(form.Memo->toPlainText(), QStringLiteral("one\ntwo"));
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(form.isVisible());
}

// Also a button that does not become the default while focused.
TEST_F(UiFormTest, EnterOnAFocusedButtonClicksThatButton) {
    for (const bool autoDefault : {true, false}) {
        TestForm form;
        form.ButtonCancel->setAutoDefault(autoDefault);
        int okClicks = 0;
        form.onClick(form.ButtonOk, [&] { ++okClicks; });
        form.show();
        form.ButtonCancel->setFocus();
        QTest::keyClick(form.ButtonCancel, Qt::Key_Return);
        EXPECT_EQ(okClicks, 0) << autoDefault;
        EXPECT_EQ(form.modalResult(), ui::mrCancel) << autoDefault;
        EXPECT_FALSE(form.isVisible()) << autoDefault;
    }
}

TEST_F(UiFormTest, ErrorFromAHandlerIsShownAndTheLoopGoesOn) {
    TestForm form;
    int clicks = 0;
    form.onClick(form.ButtonOk, [&] {
        if (++clicks == 1)
            throw std::runtime_error("Version not found");
        form.setModalResult(ui::mrOk);
    });
    driver.drive([&](Form&) {
        QTest::mouseClick(form.ButtonOk, Qt::LeftButton);
        EXPECT_EQ(driver.errors(), std::vector<std::string>{"Version not found"});
        EXPECT_TRUE(form.isVisible());
        QTest::mouseClick(form.ButtonOk, Qt::LeftButton);
    });
    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_EQ(clicks, 2);
}

TEST_F(UiFormTest, ErrorFromAButtonWithAResultStillCloses) {
    TestForm form;
    Form::setButtonModalResult(form.ButtonOk, ui::mrOk);
    form.onClick(form.ButtonOk, [] { throw 42; });
    driver.drive([&](Form&) { form.ButtonOk->click(); });
    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_EQ(driver.errors(), std::vector<std::string>{"Unknown error"});
}

TEST_F(UiFormTest, CloseBoxGivesCancel) {
    TestForm form;
    driver.drive([](Form& f) { f.close(); });
    EXPECT_EQ(form.showModal(), ui::mrCancel);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(UiFormTest, FormShowRunsAsAHandler) {
    class ShowForm : public TestForm {
    public:
        int shows = 0;

    protected:
        void formShow() override {
            ++shows;
            throw std::runtime_error("not bound");
        }
    };
    ShowForm form;
    driver.drive([&](Form&) {
        EXPECT_EQ(form.shows, 1);
        form.ButtonCancel->click();
    });
    EXPECT_EQ(form.showModal(), ui::mrCancel);
    EXPECT_EQ(driver.errors(), std::vector<std::string>{"not bound"});
}

// Through the Qt driver: a form that closes itself while being shown must not hang its loop.
TEST(UiFormShow, ResultSetInFormShowClosesTheModalForm) {
    class ClosingForm : public TestForm {
    protected:
        void formShow() override { setModalResult(ui::mrOk); }
    };
    ClosingForm form;
    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_FALSE(form.isVisible());
}

class UiUserSelectTest : public UiFormTest {
protected:
    void SetUp() override {
        form.onUserSelect(form.List, [this] {
            ++selects;
            selectedInHandler = form.List->selectedItems().size();
        });
        form.show();
    }

    QPoint centerOf(int row) { return form.List->visualItemRect(form.List->item(row)).center(); }

    TestForm form;
    int selects = 0;
    qsizetype selectedInHandler = -1;
};

TEST_F(UiUserSelectTest, ProgrammaticChangesDoNotFire) {
    form.List->item(1)->setSelected(true);
    form.List->setCurrentRow(2);
    form.List->clearSelection();
    EXPECT_EQ(selects, 0);
}

TEST_F(UiUserSelectTest, MouseClickFiresAfterTheViewHandledIt) {
    form.List->item(0)->setSelected(true);
    form.List->item(2)->setSelected(true);
    // A plain click on one of several selected entries narrows the selection on release.
    QTest::mouseClick(form.List->viewport(), Qt::LeftButton, {}, centerOf(2));
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(selectedInHandler, 1);
    EXPECT_TRUE(form.List->item(2)->isSelected());
}

TEST_F(UiUserSelectTest, KeyboardSelectionFires) {
    form.List->setFocus();
    form.List->setCurrentRow(0);
    QTest::keyClick(form.List, Qt::Key_Down);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(selectedInHandler, 1);
    EXPECT_TRUE(form.List->item(1)->isSelected());
}

// The release that ends a double-click follows the double-click's own handler, which may have
// changed the selection itself; the first click of the pair already told the handler.
TEST_F(UiUserSelectTest, TheReleaseEndingADoubleClickDoesNotFire) {
    QWidget* viewport = form.List->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centerOf(1));
    EXPECT_EQ(selects, 1);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, centerOf(1));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centerOf(1));
    EXPECT_EQ(selects, 1);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centerOf(2));
    EXPECT_EQ(selects, 2);
    EXPECT_EQ(selectedInHandler, 1);
}

TEST_F(UiUserSelectTest, HandlerErrorGoesToTheErrorDisplay) {
    TestForm other;
    other.onUserSelect(other.List, [] { throw std::runtime_error("lookup failed"); });
    other.show();
    QTest::mouseClick(other.List->viewport(), Qt::LeftButton, {},
                      other.List->visualItemRect(other.List->item(0)).center());
    EXPECT_EQ(driver.errors(), std::vector<std::string>{"lookup failed"});
    EXPECT_TRUE(other.List->item(0)->isSelected());
}

TEST_F(UiFormTest, KeyPressSeesCharacterKeysBeforeTheWidget) {
    TestForm form;
    QString seenText;
    QString memoWhenSeen = QStringLiteral("unset");
    form.onKeyPress(form.Memo, [&](QKeyEvent* key) {
        seenText += key->text();
        memoWhenSeen = form.Memo->toPlainText();
    });
    form.show();
    QTest::keyClick(form.Memo, Qt::Key_Left);
    EXPECT_TRUE(seenText.isEmpty());
    QTest::keyClicks(form.Memo, QStringLiteral("ab"));
    EXPECT_EQ(seenText, QStringLiteral("ab"));
    EXPECT_EQ(memoWhenSeen, QStringLiteral("a"));
    EXPECT_EQ(form.Memo->toPlainText(), QStringLiteral("ab"));
}

TEST_F(UiFormTest, ChoiceAndCheckBoxFireOnlyForTheUser) {
    TestForm form;
    auto* combo = new QComboBox(&form);
    combo->addItems({QStringLiteral("Ask"), QStringLiteral("Replace")});
    auto* check = new QCheckBox(QStringLiteral("Recursive"), &form);
    check->move(0, 195);
    int choices = 0;
    int checks = 0;
    form.onChoice(combo, [&] { ++choices; });
    form.onClick(check, [&] { ++checks; });
    form.show();

    combo->setCurrentIndex(1);
    check->setChecked(true);
    EXPECT_EQ(choices, 0);
    EXPECT_EQ(checks, 0);

    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up);
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(choices, 1);
    EXPECT_EQ(checks, 1);
    EXPECT_FALSE(check->isChecked());
}

TEST_F(UiFormTest, NestedModalFormsAreDrivenInOrder) {
    TestForm outer(QStringLiteral("Outer"));
    Form::setButtonModalResult(outer.ButtonOk, ui::mrOk);
    auto* advanced = new QPushButton(QStringLiteral("&Advanced..."), &outer);
    int innerResult = -1;
    outer.onClick(advanced, [&] {
        TestForm inner(QStringLiteral("Inner"));
        innerResult = inner.showModal();
        // The outer form's result is untouched by the inner form.
        EXPECT_EQ(outer.modalResult(), ui::mrNone);
    });
    driver.drive([&](Form&) {
        advanced->click();
        EXPECT_TRUE(outer.isVisible());
        outer.ButtonOk->click();
    });
    driver.drive([](Form& inner) { QTest::keyClick(&inner, Qt::Key_Escape); });

    EXPECT_EQ(outer.showModal(), ui::mrOk);
    EXPECT_EQ(innerResult, ui::mrCancel);
    EXPECT_EQ(driver.shownForms(), (std::vector<std::string>{"Outer", "Inner"}));
}

TEST(UiScriptedDriverForms, UnexpectedOrUnclosedFormsAreProblemsAndCancelled) {
    ui::ScriptedDriver driver;
    TestForm form(QStringLiteral("Check In Files"));
    EXPECT_EQ(form.showModal(), ui::mrCancel);
    EXPECT_FALSE(form.isVisible());

    driver.drive([](Form&) {});
    EXPECT_EQ(form.showModal(), ui::mrCancel);
    EXPECT_FALSE(form.isVisible());

    driver.drive([](Form&) { throw std::runtime_error("no such control"); });
    EXPECT_EQ(form.showModal(), ui::mrCancel);

    EXPECT_EQ(driver.problems(),
              (std::vector<std::string>{"unexpected form: Check In Files",
                                        "form left open: Check In Files",
                                        "form action failed: Check In Files: no such control",
                                        "form left open: Check In Files"}));
    EXPECT_EQ(driver.shownForms().size(), 3u);
}

TEST_F(UiFormTest, DoubleClickOnAnEntryFires) {
    TestForm form;
    int doubleClicks = 0;
    form.onDoubleClick(form.List, [&] { ++doubleClicks; });
    form.show();
    QWidget* viewport = form.List->viewport();
    const QPoint entry = form.List->visualItemRect(form.List->item(1)).center();
    // What the system sends for a double click.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, entry);
    EXPECT_EQ(doubleClicks, 0);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, entry);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, entry);
    EXPECT_EQ(doubleClicks, 1);
}

TEST(UiFormOwner, DefaultsToTheMainWindow) {
    QWidget main;
    main.winId();
    ui::Application::instance().adoptMainWindow(main.winId());
    {
        TestForm form;
        EXPECT_EQ(form.parentWidget(), &main);
        QWidget other;
        Form owned(&other);
        EXPECT_EQ(owned.parentWidget(), &other);
    }
    ui::Application::instance().adoptMainWindow(0);
    TestForm orphan;
    EXPECT_EQ(orphan.parentWidget(), nullptr);
}

} // namespace
