// A real database made with the ss tool for the database dialogs, reached through a
// fault-injecting wrapper that records every server call:
//   $/A (with A1, which holds A1x, and A2), $/B (empty), $/F.pas (a file at the root).
#pragma once

#include "FaultyVss.h"
#include "TestEnvironment.h"
#include "VssAutomation.h"

#include <ui/ScriptedDriver.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

class TreeFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The specs get_VSSItem was asked for, in order, since the calls were last cleared.
    std::vector<std::string> lookedUp() const;

    testenv::TestEnvironment env;
    ui::ScriptedDriver driver;
    std::filesystem::path work;
    VssDatabase server; // unwrapped, for looking at the outcome
    std::shared_ptr<testenv::FaultPlan> plan = std::make_shared<testenv::FaultPlan>();
    VssDatabase database; // what the dialogs get
};

// The node under `parent` (the root when null) with this text; nullptr when there is none.
QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const char* text);
// The texts of a node's children.
std::vector<std::string> childTexts(const QTreeWidgetItem* node);
// Expands a node with the keyboard, as a user would: select it, press "+".
void expandByKey(QTreeWidget* tree, QTreeWidgetItem* node);
