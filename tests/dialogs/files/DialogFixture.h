// A real database made with the ss tool, holding the project $/Proj with four files:
// A.pas (not checked out), B.pas (checked out to the current user), C.pas (checked out to
// "Other"), D.pas (not checked out). The dialogs get the database through a fault-injecting
// wrapper that also records what the server received.
#pragma once

#include "FaultyVss.h"
#include "TestEnvironment.h"
#include "UnitVssRegistry.h"
#include "VssAutomation.h"

#include <ui/ScriptedDriver.h>

#include <QStringList>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

class QAbstractButton;
class QListWidget;
class QPlainTextEdit;

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores settings that the dialogs read when they are built.
    static void storeSettings(const TVSSProperties& properties);
    // The settings every flag test uses: a value in each group, Recursive included.
    static TVSSProperties sampleSettings();
    std::string localPath(const std::string& name) const;
    std::int32_t checkOutState(const std::string& name) const;
    std::vector<testenv::FaultPlan::Call> callsOn(const std::string& method,
                                                  const std::string& item) const;

    testenv::TestEnvironment env;
    ui::ScriptedDriver driver;
    std::filesystem::path work;
    VssDatabase server; // unwrapped, for looking at the outcome
    std::shared_ptr<testenv::FaultPlan> plan = std::make_shared<testenv::FaultPlan>();
    VssDatabase database; // what the dialogs get
};

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QStringList& list, std::ostream* out);

// Driving dialogs as a user would.
QStringList entries(const QListWidget* list);
QStringList selectedEntries(const QListWidget* list);
QStringList logLines(const QPlainTextEdit* log);
void clickEntry(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void doubleClickEntry(QListWidget* list, int row);
void clickBelowEntries(QListWidget* list);
void click(QAbstractButton* button);
