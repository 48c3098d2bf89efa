#include <ui/Application.h>
#include <ui/QtDriver.h>

#include "QStringPrinter.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

namespace {

using ui::Application;

// Calls `act` with the modal dialog once one is up, as a user at the screen would act on it.
class WhenModal {
public:
    explicit WhenModal(std::function<void(QWidget*)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                timer_.stop();
                act_(modal);
            }
        });
        timer_.start(10);
    }

private:
    std::function<void(QWidget*)> act_;
    QTimer timer_;
};

QAbstractButton* buttonWithResult(QWidget* box, int result) {
    for (auto* button : box->findChildren<QAbstractButton*>()) {
        if (button->property("qmResult").toInt() == result)
            return button;
    }
    return nullptr;
}

std::vector<int> buttonResults(QWidget* box) {
    std::vector<int> results;
    for (auto* button : box->findChildren<QAbstractButton*>()) {
        if (button->property("qmResult").isValid())
            results.push_back(button->property("qmResult").toInt());
    }
    std::sort(results.begin(), results.end());
    return results;
}

TEST(UiQtDriverMessageBox, CarriesStyleAndResultsAndReturnsTheClickedResult) {
    QString objectName, title, text;
    int style = -1;
    std::vector<int> results;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModal user([&](QWidget* modal) {
        objectName = modal->objectName();
        title = modal->windowTitle();
        style = modal->property("qmStyle").toInt();
        results = buttonResults(modal);
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            text = box->text();
            icon = box->icon();
        }
        if (QAbstractButton* yes = buttonWithResult(modal, ui::IDYES))
            QTest::mouseClick(yes, Qt::LeftButton);
    });
    const int answer = Application::instance().messageBox("Check in Project1?", "Source Safe",
                                                          ui::MB_YESNO | ui::MB_ICONQUESTION);
    EXPECT_EQ(answer, ui::IDYES);
    EXPECT_EQ(objectName, QStringLiteral("MessageBox"));
    EXPECT_EQ(title, QStringLiteral("Source Safe"));
    EXPECT_EQ(text, QStringLiteral("Check in Project1?"));
    EXPECT_EQ(style, 36);
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(results, (std::vector<int>{ui::IDYES, ui::IDNO}));
}

TEST(UiQtDriverMessageBox, ButtonSetsAndIconsFollowTheStyle) {
    struct Case {
        int style;
        std::vector<int> results;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {ui::MB_OK, {ui::IDOK}, QMessageBox::NoIcon},
        {ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION, {ui::IDOK, ui::IDCANCEL}, QMessageBox::Warning},
        {ui::MB_YESNOCANCEL | ui::MB_ICONINFORMATION,
         {ui::IDCANCEL, ui::IDYES, ui::IDNO},
         QMessageBox::Information},
        {ui::MB_OK | ui::MB_ICONERROR, {ui::IDOK}, QMessageBox::Critical},
    };
    for (const Case& c : cases) {
        std::vector<int> results;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal user([&](QWidget* modal) {
            results = buttonResults(modal);
            icon = static_cast<QMessageBox*>(modal)->icon();
            QTest::mouseClick(buttonWithResult(modal, c.results.front()), Qt::LeftButton);
        });
        EXPECT_EQ(Application::instance().messageBox("text", "caption", c.style), c.results.front())
            << c.style;
        EXPECT_EQ(results, c.results) << c.style;
        EXPECT_EQ(icon, c.icon) << c.style;
    }
}

TEST(UiQtDriverMessageBox, EscapeAnswersCancelElseNo) {
    for (auto [style, expected] :
         {std::pair{ui::MB_YESNOCANCEL, ui::IDCANCEL}, std::pair{ui::MB_YESNO, ui::IDNO},
          std::pair{ui::MB_OK, ui::IDOK}}) {
        WhenModal user([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
        EXPECT_EQ(Application::instance().messageBox("text", "caption", style), expected) << style;
    }
}

TEST(UiQtDriverMessageBox, StandardErrorDisplay) {
    QString title, text;
    bool isError = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::vector<int> results;
    WhenModal user([&](QWidget* modal) {
        title = modal->windowTitle();
        isError = modal->property("qmError").toBool();
        results = buttonResults(modal);
        auto* box = static_cast<QMessageBox*>(modal);
        text = box->text();
        icon = box->icon();
        QTest::keyClick(modal, Qt::Key_Return);
    });
    Application::instance().showException(std::runtime_error("Invalid SourceSafe path"));
    EXPECT_TRUE(isError);
    EXPECT_EQ(title, QStringLiteral("Error"));
    EXPECT_EQ(text, QStringLiteral("Invalid SourceSafe path"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(results, std::vector<int>{ui::IDOK});
}

TEST(UiQtDriverOpenFile, FilterConversion) {
    using ui::QtDriver;
    EXPECT_EQ(QtDriver::toQtFilter("SourceSafe Database (srcsafe.ini)|srcsafe.ini|All files|*.*"),
              QStringLiteral("SourceSafe Database (srcsafe.ini) (srcsafe.ini);;All files (*.*)"));
    EXPECT_EQ(QtDriver::toQtFilter("Programs|*.exe;*.com; *.bat"),
              QStringLiteral("Programs (*.exe *.com *.bat)"));
    EXPECT_EQ(QtDriver::toQtFilter(""), QString());
    EXPECT_EQ(QtDriver::toQtFilter("Text|*.txt|Dangling"), QStringLiteral("Text (*.txt)"));
}

TEST(UiQtDriverOpenFile, RealDialogSelectsFilterAndReturnsThePath) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string file = folder.filePath(QStringLiteral("srcsafe.ini")).toStdString();
    std::ofstream(file) << "Data_Path = data\n";

    QString objectName, selectedFilter;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool native = true;
    WhenModal user([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        objectName = dialog->objectName();
        selectedFilter = dialog->selectedNameFilter();
        mode = dialog->fileMode();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog checks the name as OK would
    });
    ui::OpenFileRequest request;
    request.title = "Open";
    request.filter = "All files|*.*|SourceSafe Database|srcsafe.ini";
    request.filterIndex = 2;
    request.fileName = file;
    request.initialFolder = folder.path().toStdString();
    EXPECT_EQ(Application::instance().openFile(request), std::optional<std::string>(file));
    EXPECT_EQ(objectName, QStringLiteral("OpenDialog"));
    // Only the description shows, as on Windows.
    EXPECT_EQ(selectedFilter, QStringLiteral("SourceSafe Database"));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_FALSE(native);
}

TEST(UiQtDriverOpenFile, CancelGivesNothing) {
    WhenModal user([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    ui::OpenFileRequest request;
    request.title = "Open";
    EXPECT_EQ(Application::instance().openFile(request), std::nullopt);
}

class UiQtDriverWindowTest : public ::testing::Test {
protected:
    void TearDown() override { Application::instance().adoptMainWindow(0); }
};

TEST_F(UiQtDriverWindowTest, RestoreShowsAMinimizedMainWindowNormal) {
    QWidget window;
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    Application::instance().adoptMainWindow(static_cast<ui::WindowHandle>(window.winId()));
    Application::instance().restoreMainWindow();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(UiQtDriverWindowTest, RestoreLeavesAHiddenMainWindowHidden) {
    QWidget window;
    Application::instance().adoptMainWindow(static_cast<ui::WindowHandle>(window.winId()));
    Application::instance().restoreMainWindow();
    EXPECT_FALSE(window.isVisible());
}

TEST(UiQtDriverBusyCursor, SetsTheOverrideCursorOnce) {
    {
        ui::BusyCursor outer;
        ui::BusyCursor inner;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
