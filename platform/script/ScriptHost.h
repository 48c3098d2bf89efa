// What a program offers a script beside the window commands every script knows: its main
// window, its own commands, and what it does before the first line (it may open a window the
// script then drives). A program implements this and hands it to a ScriptStepper.
#pragma once

#include "ScriptLine.h"

class QWidget;

class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    // The window the window commands act on while no modal window is open; never reported as a
    // shown window.
    virtual QWidget& mainWindow() = 0;
    // The program's own commands. They act on the main window, so a line with one of them
    // waits until every window the script opened has closed.
    virtual const ScriptCommands& commands() const = 0;
    // Runs on the first step, before any line.
    virtual void startUp() {}
    // Runs a line whose command is one of commands(). Raises ScriptFailure when the program
    // refuses what the line asks, ScriptError when the line itself is wrong.
    virtual void run(const ScriptLine& line) = 0;
};
