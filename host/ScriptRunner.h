// The host's script mode: the host's own commands (projects, files, the add-in's menu) on top of
// the window commands every script knows. The first step loads the add-in, so that the script
// can drive whatever INITVCS0013 shows (the login dialog).
#pragma once

#include <script/JsonReporter.h>
#include <script/ScriptHost.h>
#include <script/ScriptStepper.h>

#include <memory>
#include <optional>

class MainWindow;

class ScriptRunner : public ScriptHost {
public:
    ScriptRunner(MainWindow& host, QList<ScriptLine> lines, std::optional<QString> addinLibrary,
                 JsonReporter& reporter);
    ~ScriptRunner() override;

    // Starts stepping; the application's event loop ends with the script's exit code.
    void start();

    // The host's commands and their argument counts.
    static const ScriptCommands& hostCommands();

    QWidget& mainWindow() override;
    const ScriptCommands& commands() const override;
    void startUp() override;
    void run(const ScriptLine& line) override;

private:
    void verb(const QString& number);
    void reportMenu();

    MainWindow& host_;
    std::optional<QString> addinLibrary_;
    JsonReporter& reporter_;
    std::unique_ptr<ScriptStepper> stepper_;
};
