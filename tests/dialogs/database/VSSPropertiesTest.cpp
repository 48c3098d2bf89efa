#include "UnitVSSProperties.h"

#include "TestEnvironment.h"

#include <registry/Registry.h>
#include <ui/ScriptedDriver.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

void click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

// Picks an entry the way a user does: focus, then the arrow keys from the top.
void choose(QComboBox* box, int index) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(box, Qt::Key_Down);
}

class VSSPropertiesTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
        EXPECT_TRUE(driver.idle());
    }

    static void store(const TVSSProperties& properties) {
        TVssRegistry().WriteProperties(properties);
    }
    static TVSSProperties stored() {
        TVSSProperties properties;
        TVssRegistry().ReadProperties(properties);
        return properties;
    }
    // Every hive file's bytes, to show that nothing was written.
    std::string hives() const {
        std::string all;
        for (const auto& entry : fs::directory_iterator(env.registryFolder())) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            all += entry.path().filename().string() + "\n" + text.str();
        }
        return all;
    }
    int run(TFormVSSProperties& form, std::function<void(TFormVSSProperties&)> action) {
        driver.drive(
            [action](ui::Form& shown) { action(static_cast<TFormVSSProperties&>(shown)); });
        return form.showModal();
    }

    testenv::TestEnvironment env;
    ui::ScriptedDriver driver;
};

TEST_F(VSSPropertiesTest, WindowPagesAndCaptions) {
    TFormVSSProperties form;
    EXPECT_EQ(form.windowTitle(), "SourceSafe Properites");
    EXPECT_EQ(form.size(), QSize(347, 266));
    ASSERT_EQ(form.PageCProperties->count(), 2);
    EXPECT_EQ(form.PageCProperties->tabText(0), "&General");
    EXPECT_EQ(form.PageCProperties->tabText(1), "&Local Files");
    EXPECT_EQ(form.PageCProperties->currentIndex(), 0);
    EXPECT_EQ(form.PageCProperties->widget(0), form.TabSheetGeneral);

    const std::vector<std::pair<QAbstractButton*, const char*>> captions = {
        {form.CBoxGetOnOpen, "&Get files when opening project"},
        {form.CBoxCheckOnClose, "Check &in files when closing project"},
        {form.CBoxRecursive, "Act on projects recursivley"},
        {form.ButtonBrowse, "Browse"},
        {form.CBoxReadOnly, "Use &Read only flag for files that are not checked out"},
        {form.ButtonOk, "OK"},
        {form.ButtonCacnel, "Cancel"}};
    for (const auto& [button, caption] : captions)
        EXPECT_EQ(button->text(), caption);
    EXPECT_EQ(form.findChild<QPushButton*>("ButtonCacnel"), form.ButtonCacnel);
    EXPECT_EQ(form.defaultButton(), form.ButtonOk);
    EXPECT_EQ(form.cancelButton(), form.ButtonCacnel);

    const std::vector<std::pair<QComboBox*, QStringList>> lists = {
        {form.ComboBoxUnchanged, {"Default", "Check In", "Undo Check Out"}},
        {form.ComboBoxCompare, {"Default", "Contents", "Checksum", "Time"}},
        {form.ComboBoxReplace, {"Default", "Replace", "Skip", "Merge"}},
        {form.ComboBoxDate, {"Default", "Current", "Modification", "Check in"}}};
    for (const auto& [box, items] : lists) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        EXPECT_EQ(texts, items) << box->objectName().toStdString();
        EXPECT_FALSE(box->isEditable());
    }
    EXPECT_EQ(form.OpenDialog.filter, "Any Files|*.*|Executables|*.exe");
    EXPECT_EQ(form.OpenDialog.filterIndex, 2);
    EXPECT_TRUE(form.OpenDialog.mustExist);
}

TEST_F(VSSPropertiesTest, EveryLabelShowsItsWholeCaptionBesideItsField) {
    TFormVSSProperties form;
    const std::vector<std::pair<const char*, QWidget*>> rows = {
        {"LabelUnchanged", form.ComboBoxUnchanged},
        {"LabelViewer", form.EditViewer},
        {"LabelCompare", form.ComboBoxCompare},
        {"LabelReplace", form.ComboBoxReplace},
        {"LabelDate", form.ComboBoxDate}};
    for (const auto& [name, field] : rows) {
        const auto* label = form.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_GE(label->width(), label->sizeHint().width()) << name;
        EXPECT_GT(field->x(), label->geometry().right()) << name;
        EXPECT_LE(field->geometry().right(), field->parentWidget()->width()) << name;
        EXPECT_GE(field->width(), 100) << name;
    }
}

TEST_F(VSSPropertiesTest, NeverStoredSettingsShowDefaultsAndOkStoresCheckBoxNumbers) {
    TFormVSSProperties form;
    for (QAbstractButton* box :
         {form.CBoxGetOnOpen, form.CBoxCheckOnClose, form.CBoxRecursive, form.CBoxReadOnly})
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    for (QComboBox* box :
         {form.ComboBoxUnchanged, form.ComboBoxCompare, form.ComboBoxReplace, form.ComboBoxDate})
        EXPECT_EQ(box->currentText(), "Default") << box->objectName().toStdString();
    EXPECT_EQ(form.EditViewer->text(), "");

    EXPECT_EQ(run(form, [](TFormVSSProperties& f) { click(f.ButtonOk); }), ui::mrOk);
    TVSSProperties expected;
    expected.Recursive = 4096;
    expected.ReadOnly = 1;
    EXPECT_EQ(stored(), expected);
}

// Stored number -> shown state -> number stored by OK untouched.
TEST_F(VSSPropertiesTest, MappingBothWays) {
    struct Case {
        const char* name;
        TVSSProperties in;
        std::function<bool(TFormVSSProperties&)> shows;
        TVSSProperties out;
    };
    auto with = [](auto change) {
        TVSSProperties p;
        change(p);
        return p;
    };
    const TVSSProperties base = with([](TVSSProperties& p) { p.Recursive = 4096, p.ReadOnly = 1; });
    const std::vector<Case> cases = {
        {"checksum", with([](auto& p) { p.Compare = 1536; }),
         [](auto& f) { return f.ComboBoxCompare->currentIndex() == 2; },
         with([&](auto& p) { p = base, p.Compare = 1536; })},
        {"time", with([](auto& p) { p.Compare = 1024; }),
         [](auto& f) { return f.ComboBoxCompare->currentText() == "Time"; },
         with([&](auto& p) { p = base, p.Compare = 1024; })},
        {"date 7 unlisted", with([](auto& p) { p.Date = 7; }),
         [](auto& f) { return f.ComboBoxDate->currentIndex() == -1; }, base},
        {"undo check out", with([](auto& p) { p.Unchanged = 50331648; }),
         [](auto& f) { return f.ComboBoxUnchanged->currentText() == "Undo Check Out"; },
         with([&](auto& p) { p = base, p.Unchanged = 50331648; })},
        {"merge and check in time", with([](auto& p) { p.Replace = 256, p.Date = 12; }),
         [](auto& f) {
             return f.ComboBoxReplace->currentText() == "Merge" &&
                    f.ComboBoxDate->currentText() == "Check in";
         },
         with([&](auto& p) { p = base, p.Replace = 256, p.Date = 12; })},
        {"recursive and read-only", with([](auto& p) { p.Recursive = 8192, p.ReadOnly = 2; }),
         [](auto& f) { return f.CBoxRecursive->isChecked() && f.CBoxReadOnly->isChecked(); },
         with([](auto& p) { p.Recursive = 8192, p.ReadOnly = 2; })},
        {"other numbers leave boxes unticked",
         with([](auto& p) { p.Recursive = 5, p.ReadOnly = 1; }),
         [](auto& f) { return !f.CBoxRecursive->isChecked() && !f.CBoxReadOnly->isChecked(); },
         base},
        {"truth values and viewer",
         with([](auto& p) { p.GetOnOpen = 7, p.CheckOnClose = 1, p.Viewer = "/usr/bin/less -R"; }),
         [](auto& f) {
             return f.CBoxGetOnOpen->isChecked() && f.CBoxCheckOnClose->isChecked() &&
                    f.EditViewer->text() == "/usr/bin/less -R";
         },
         with([&](auto& p) {
             p = base, p.GetOnOpen = 1, p.CheckOnClose = 1, p.Viewer = "/usr/bin/less -R";
         })},
    };
    for (const Case& c : cases) {
        store(c.in);
        TFormVSSProperties form;
        EXPECT_TRUE(c.shows(form)) << c.name;
        run(form, [](TFormVSSProperties& f) { click(f.ButtonOk); });
        EXPECT_EQ(stored(), c.out) << c.name;
    }
}

TEST_F(VSSPropertiesTest, UserChoicesAreStoredByOkWithEnter) {
    TFormVSSProperties form;
    const int result = run(form, [](TFormVSSProperties& f) {
        click(f.CBoxGetOnOpen);
        choose(f.ComboBoxUnchanged, 1);
        click(f.CBoxRecursive);
        f.EditViewer->setFocus();
        QTest::keyClicks(f.EditViewer, "view");
        f.PageCProperties->setCurrentIndex(1);
        click(f.CBoxReadOnly);
        choose(f.ComboBoxCompare, 1);
        choose(f.ComboBoxReplace, 2);
        choose(f.ComboBoxDate, 3);
        QTest::keyClick(&f, Qt::Key_Return);
    });
    EXPECT_EQ(result, ui::mrOk);
    TVSSProperties expected;
    expected.GetOnOpen = 1;
    expected.Unchanged = 33554432;
    expected.Recursive = 8192;
    expected.ReadOnly = 2;
    expected.Compare = 512;
    expected.Replace = 192;
    expected.Date = 12;
    expected.Viewer = "view";
    EXPECT_EQ(stored(), expected);
}

TEST_F(VSSPropertiesTest, CancelEscAndCloseBoxWriteNothing) {
    TVSSProperties before;
    before.Compare = 1536;
    store(before);
    const std::string hivesBefore = hives();
    const std::vector<std::function<void(TFormVSSProperties&)>> closings = {
        [](TFormVSSProperties& f) { click(f.ButtonCacnel); },
        [](TFormVSSProperties& f) { QTest::keyClick(&f, Qt::Key_Escape); },
        [](TFormVSSProperties& f) { f.close(); }};
    for (const auto& closing : closings) {
        TFormVSSProperties form;
        const int result = run(form, [&](TFormVSSProperties& f) {
            click(f.CBoxGetOnOpen);
            choose(f.ComboBoxUnchanged, 2);
            closing(f);
        });
        EXPECT_EQ(result, ui::mrCancel);
        EXPECT_EQ(hives(), hivesBefore);
    }
}

TEST_F(VSSPropertiesTest, BrowseFillsTheViewerOnlyWhenAFileIsChosen) {
    store([] {
        TVSSProperties p;
        p.Viewer = "old";
        return p;
    }());
    TFormVSSProperties form;
    driver.chooseFile(std::nullopt);
    click(form.ButtonBrowse);
    EXPECT_EQ(form.EditViewer->text(), "old");
    driver.chooseFile("/opt/tools/viewer.exe");
    click(form.ButtonBrowse);
    EXPECT_EQ(form.EditViewer->text(), "/opt/tools/viewer.exe");
    ASSERT_EQ(driver.fileRequests().size(), 2u);
    EXPECT_EQ(driver.fileRequests()[0].filter, "Any Files|*.*|Executables|*.exe");
    EXPECT_EQ(driver.fileRequests()[0].filterIndex, 2);
}

} // namespace
