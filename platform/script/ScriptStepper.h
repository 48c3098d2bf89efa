// Runs a script headless. A timer steps through the lines; a line that opens a modal window (a
// program command, a click on OK that asks a question) does not return until that window has
// closed, and the timer keeps stepping inside the window's own event loop, so the following
// lines drive it. Waiting lines (window, answer, idle) are polled on later steps.
#pragma once

#include "JsonReporter.h"
#include "ScriptHost.h"
#include "ScriptLine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class WindowWatcher;

class ScriptStepper : public QObject {
public:
    ScriptStepper(ScriptHost& host, QList<ScriptLine> lines, JsonReporter& reporter);
    ~ScriptStepper() override;

    // Starts stepping; the application's event loop ends with the script's exit code.
    void start();

    static constexpr int kWaitSeconds = 10;

private:
    enum class Wait { None, Window, MessageBox, Idle };

    void tick();
    void step();
    bool waitOver();
    void beginWait(Wait kind, const QString& caption = {});
    void execute(const ScriptLine& line);
    void windowCommand(const ScriptLine& line);
    QWidget* activeWindow() const;
    QWidget* control(const QString& name) const;
    void answer(const QString& which);
    void expect(const QString& name, const QString& property, const QString& value);
    void writeFile(const QString& path, const QString& text);
    void shot(const QString& file);
    void reportMessageBox(QWidget* box, const QJsonValue& answer);

    // Stops running lines and closes what is still open; the event loop then ends with code.
    void finish(int code, const QString& reason = {}, const ScriptLine* line = nullptr);
    void unwindStep();

    ScriptHost& host_;
    QList<ScriptLine> lines_;
    JsonReporter& reporter_;
    std::unique_ptr<WindowWatcher> watcher_;

    qsizetype next_ = 0;
    int running_ = 0; // lines still on the stack, inside a modal window's loop
    bool started_ = false;
    Wait wait_ = Wait::None;
    QString waitCaption_;
    int waitLine_ = 0;
    qint64 waitLeft_ = 0; // milliseconds
    QElapsedTimer sinceLastStep_;

    std::optional<int> exitCode_;
    QElapsedTimer unwinding_;
    QPointer<QWidget> lastClosed_;
};
