// The explorer's side of the script mode: its window as the main window, the database opened
// on the first step (so a script can answer a password dialog), and its own commands:
//   action NAME   triggers a menu entry, named by its object name (ActionCheckOut) or its text
//                 without the "&" ("Check Out..."); fails when it is disabled
//   menu          prints the menus with each entry's text and state
#pragma once

#include "ExplorerOptions.h"
#include "ExplorerWindow.h"

#include <script/JsonReporter.h>
#include <script/ScriptHost.h>

class QAction;

class ExplorerScript : public ScriptHost {
public:
    ExplorerScript(ExplorerWindow& window, ExplorerOptions options, JsonReporter& reporter);

    static const ScriptCommands& explorerCommands();

    QWidget& mainWindow() override;
    const ScriptCommands& commands() const override;
    void startUp() override;
    void run(const ScriptLine& line) override;

private:
    QAction* findAction(const QString& name) const;
    void reportMenus();

    ExplorerWindow& window_;
    ExplorerOptions options_;
    JsonReporter& reporter_;
};
