#include <ui/Application.h>
#include <ui/ScriptedDriver.h>

#include <QWidget>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using ui::Application;

TEST(UiScriptedDriver, AnswersMessageBoxesFromItsQueueAndRecordsThem) {
    ui::ScriptedDriver driver;
    driver.answer(ui::IDYES);
    driver.answer(ui::IDNO);
    auto& app = Application::instance();
    EXPECT_EQ(
        app.messageBox("Check in the project?", "Source Safe", ui::MB_YESNO | ui::MB_ICONQUESTION),
        ui::IDYES);
    EXPECT_EQ(app.messageBox("Add the project?", "SourceSafe", 36), ui::IDNO);

    ASSERT_EQ(driver.messages().size(), 2u);
    const auto& first = driver.messages()[0];
    EXPECT_EQ(first.text, "Check in the project?");
    EXPECT_EQ(first.caption, "Source Safe");
    EXPECT_EQ(first.style, 36);
    EXPECT_EQ(first.answer, ui::IDYES);
    EXPECT_EQ(driver.messages()[1].answer, ui::IDNO);
    EXPECT_TRUE(driver.problems().empty());
    EXPECT_TRUE(driver.idle());
}

TEST(UiScriptedDriver, UnexpectedRequestsAreProblemsWithCancellingAnswers) {
    ui::ScriptedDriver driver;
    auto& app = Application::instance();
    EXPECT_EQ(app.messageBox("Surprise", "Source Safe", ui::MB_OK), ui::IDCANCEL);
    EXPECT_EQ(app.openFile({"Open Database", "", "Ini|srcsafe.ini", 1, true, ""}), std::nullopt);
    EXPECT_EQ(driver.problems(),
              (std::vector<std::string>{"unexpected message box: Surprise",
                                        "unexpected file dialog: Open Database"}));
    ASSERT_EQ(driver.messages().size(), 1u);
    EXPECT_EQ(driver.messages()[0].answer, ui::IDCANCEL);
}

TEST(UiScriptedDriver, RecordsErrorsAndFileRequests) {
    ui::ScriptedDriver driver;
    driver.chooseFile(std::string("/db/srcsafe.ini"));
    auto& app = Application::instance();
    app.showException(std::runtime_error("File not found"));
    app.showError("Access denied");
    ui::OpenFileRequest request;
    request.title = "Open";
    request.filter = "SourceSafe|srcsafe.ini";
    EXPECT_EQ(app.openFile(request), std::optional<std::string>("/db/srcsafe.ini"));
    EXPECT_EQ(driver.errors(), (std::vector<std::string>{"File not found", "Access denied"}));
    ASSERT_EQ(driver.fileRequests().size(), 1u);
    EXPECT_EQ(driver.fileRequests()[0].filter, "SourceSafe|srcsafe.ini");
}

TEST(UiScriptedDriver, InstallsItselfForItsLifetime) {
    auto& app = Application::instance();
    ui::Driver* qtDriver = &app.driver();
    {
        ui::ScriptedDriver driver;
        EXPECT_EQ(&app.driver(), &driver);
    }
    EXPECT_EQ(&app.driver(), qtDriver);
}

TEST(UiBusyCursor, NestsAndShowsOnceOverTheOutermostScope) {
    ui::ScriptedDriver driver;
    auto& app = Application::instance();
    {
        ui::BusyCursor outer;
        EXPECT_TRUE(driver.busy());
        {
            ui::BusyCursor inner;
            EXPECT_EQ(app.busyDepth(), 2);
        }
        EXPECT_TRUE(driver.busy());
        EXPECT_EQ(driver.busyChanges(), 1);
    }
    EXPECT_FALSE(driver.busy());
    EXPECT_EQ(driver.busyChanges(), 2);
    EXPECT_EQ(app.busyDepth(), 0);
}

TEST(UiBusyCursor, IsRestoredWhenAnErrorLeavesTheScope) {
    ui::ScriptedDriver driver;
    try {
        ui::BusyCursor busy;
        throw std::runtime_error("failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(driver.busy());
    EXPECT_EQ(Application::instance().busyDepth(), 0);
}

class UiMainWindowTest : public ::testing::Test {
protected:
    void TearDown() override { Application::instance().adoptMainWindow(0); }
};

TEST_F(UiMainWindowTest, AdoptsTheWindowByItsHandle) {
    auto& app = Application::instance();
    QWidget window;
    const auto handle = static_cast<ui::WindowHandle>(window.winId());
    app.adoptMainWindow(handle);
    EXPECT_EQ(app.mainWindowHandle(), handle);
    EXPECT_EQ(app.mainWindow(), &window);

    app.adoptMainWindow(0);
    EXPECT_EQ(app.mainWindow(), nullptr);
}

TEST_F(UiMainWindowTest, UnknownOrDestroyedWindowIsNoWindow) {
    auto& app = Application::instance();
    ui::WindowHandle handle = 0;
    {
        QWidget window;
        handle = static_cast<ui::WindowHandle>(window.winId());
        app.adoptMainWindow(handle);
    }
    EXPECT_EQ(app.mainWindow(), nullptr);
    ui::ScriptedDriver driver;
    app.restoreMainWindow();
    EXPECT_EQ(driver.restoreCount(), 0);
}

TEST_F(UiMainWindowTest, RestoreGoesThroughTheDriver) {
    ui::ScriptedDriver driver;
    auto& app = Application::instance();
    app.restoreMainWindow();
    EXPECT_EQ(driver.restoreCount(), 0); // no main window yet

    QWidget window;
    app.adoptMainWindow(static_cast<ui::WindowHandle>(window.winId()));
    app.restoreMainWindow();
    EXPECT_EQ(driver.restoreCount(), 1);
    EXPECT_EQ(driver.lastShowCommand(), ui::SW_RESTORE);
}

} // namespace
