// A fresh registry and database for the explorer's tests, registered as the current database:
//   $/Demo (working folder work/Demo) with a.pas and b.pas, $/Demo/Sub with c.pas, $/Other.
#pragma once

#include "ExplorerWindow.h"
#include "TestEnvironment.h"

#include <ui/ScriptedDriver.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ExplorerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The database opened as the test's user, and a window on it, opened at "$".
    VssDatabase openDatabase() const;
    ExplorerWindow& window();

    // The rows of the file list, cells joined by "|".
    std::vector<std::string> listRows();
    // Selects the file-list rows with these names, as a Ctrl-click on each would.
    void selectFiles(const std::vector<std::string>& names);
    // Makes $/Other/Deep and has Admin add the files, each a path below $/Other ("Deep/x.txt")
    // and its text, from Admin's own working folder: the test's user has no working folder there.
    void fillOtherAsAdmin(const std::vector<std::pair<std::string, std::string>>& files);
    // Runs a form action until the form has closed by itself (a progress run), at most 10 s.
    static void waitUntilClosed(ui::Form& form);
    std::string ssOut(const std::vector<std::string>& args);
    static bool contains(const std::string& text, const std::string& part);

    testenv::TestEnvironment env;
    ui::ScriptedDriver driver;
    std::filesystem::path folder;
    std::filesystem::path work;

private:
    std::unique_ptr<ExplorerWindow> window_;
};
