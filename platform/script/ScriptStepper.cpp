#include "ScriptStepper.h"

#include "ControlDriver.h"
#include "ControlInspector.h"
#include "WindowWatcher.h"

#include <system/ReadOnly.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kStepMilliseconds = 10;
// Time the event loop spent blocked (a long synchronous operation) does not count as waiting.
constexpr qint64 kLongestCountedStep = 200;

std::optional<int> answerResult(const QString& which) {
    if (which.compare(u"OK", Qt::CaseInsensitive) == 0)
        return 1;
    if (which.compare(u"Cancel", Qt::CaseInsensitive) == 0)
        return 2;
    if (which.compare(u"Yes", Qt::CaseInsensitive) == 0)
        return 6;
    if (which.compare(u"No", Qt::CaseInsensitive) == 0)
        return 7;
    return std::nullopt;
}

} // namespace

ScriptStepper::ScriptStepper(ScriptHost& host, QList<ScriptLine> lines, JsonReporter& reporter)
    : host_(host), lines_(std::move(lines)), reporter_(reporter) {
    watcher_ = std::make_unique<WindowWatcher>(&host_.mainWindow(), [this](QWidget* window) {
        reporter_.report(QStringLiteral("window"),
                         {{QStringLiteral("caption"), window->windowTitle()},
                          {QStringLiteral("class"), inspect::windowClass(window)}});
    });
}

ScriptStepper::~ScriptStepper() = default;

void ScriptStepper::start() {
    sinceLastStep_.start();
    QTimer::singleShot(0, this, &ScriptStepper::tick);
}

void ScriptStepper::tick() {
    // The next step is queued before this one runs: if this one opens a modal window, the
    // next step runs inside that window's event loop.
    QTimer::singleShot(kStepMilliseconds, this, &ScriptStepper::tick);
    if (exitCode_) {
        unwindStep();
        return;
    }
    ++running_;
    step();
    --running_;
}

void ScriptStepper::step() {
    if (!started_) {
        started_ = true;
        host_.startUp();
        return;
    }
    if (wait_ != Wait::None && !waitOver())
        return;
    if (next_ >= lines_.size()) {
        // Everything the script started must have ended.
        if (running_ > 1) {
            beginWait(Wait::Idle);
            waitLine_ = lines_.isEmpty() ? 0 : lines_.constLast().number;
            waitCaption_ = QStringLiteral("the script ended while a window is open");
            return;
        }
        finish(0);
        return;
    }
    const ScriptLine& line = lines_[next_];
    // A program command is what a user does in the main window: not while a modal window is up.
    if (host_.commands().contains(line.command) && running_ > 1) {
        beginWait(Wait::Idle);
        waitLine_ = line.number;
        return;
    }
    ++next_;
    try {
        execute(line);
    } catch (const ScriptFailure& failure) {
        finish(1, QString::fromStdString(failure.what()), &line);
    } catch (const ScriptError& error) {
        finish(2, QString::fromStdString(error.what()), &line);
    }
}

void ScriptStepper::beginWait(Wait kind, const QString& caption) {
    wait_ = kind;
    waitCaption_ = caption;
    waitLeft_ = kWaitSeconds * 1000;
    sinceLastStep_.restart();
}

bool ScriptStepper::waitOver() {
    QWidget* window = QApplication::activeModalWidget();
    bool over = false;
    switch (wait_) {
    case Wait::None:
        return true;
    case Wait::Window:
        over = window && window->isVisible() && window->windowTitle() == waitCaption_;
        break;
    case Wait::MessageBox:
        over = qobject_cast<QMessageBox*>(window) != nullptr && window->isVisible();
        break;
    case Wait::Idle:
        over = running_ == 1; // only this step is on the stack
        break;
    }
    if (over) {
        wait_ = Wait::None;
        return true;
    }
    waitLeft_ -= qMin(sinceLastStep_.restart(), kLongestCountedStep);
    if (waitLeft_ > 0)
        return false;
    QString what;
    switch (wait_) {
    case Wait::Window:
        what = QStringLiteral("no window \"%1\" within %2 s").arg(waitCaption_).arg(kWaitSeconds);
        break;
    case Wait::MessageBox:
        what = QStringLiteral("no message box within %1 s").arg(kWaitSeconds);
        break;
    default:
        what = waitCaption_.isEmpty() ? QStringLiteral("still busy after %1 s").arg(kWaitSeconds)
                                      : waitCaption_;
        break;
    }
    if (window)
        what += QStringLiteral(" (the active window is \"%1\")").arg(window->windowTitle());
    wait_ = Wait::None;
    ScriptLine at;
    at.number = waitLine_;
    finish(2, what, &at);
    return false;
}

void ScriptStepper::execute(const ScriptLine& line) {
    const QString& c = line.command;
    waitLine_ = line.number;
    if (host_.commands().contains(c)) {
        host_.run(line);
    } else if (c == u"idle") {
        beginWait(Wait::Idle);
    } else if (c == u"window") {
        beginWait(Wait::Window, line.args[0]);
    } else if (c == u"write") {
        writeFile(line.args[0], line.args[1]);
    } else if (c == u"print") {
        reporter_.report(QStringLiteral("print"), {{QStringLiteral("text"), line.args[0]}});
    } else {
        windowCommand(line);
    }
}

QWidget* ScriptStepper::activeWindow() const {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : &host_.mainWindow();
}

QWidget* ScriptStepper::control(const QString& name) const {
    QWidget* window = activeWindow();
    QWidget* found = inspect::findControl(window, name);
    if (found == nullptr)
        throw ScriptError("no control " + name.toStdString() + " in the window \"" +
                          window->windowTitle().toStdString() + "\"");
    return found;
}

void ScriptStepper::windowCommand(const ScriptLine& line) {
    const QString& c = line.command;
    const QStringList& a = line.args;
    if (c == u"select" || c == u"deselect") {
        drive::select(control(a[0]), a.mid(1), c == u"select");
    } else if (c == u"dblclick") {
        drive::doubleClick(control(a[0]), a[1]);
    } else if (c == u"click") {
        drive::click(control(a[0]));
    } else if (c == u"type") {
        drive::type(control(a[0]), a[1]);
    } else if (c == u"clear") {
        drive::clear(control(a[0]));
    } else if (c == u"choose") {
        drive::choose(control(a[0]), a[1]);
    } else if (c == u"check") {
        if (a[1] != u"on" && a[1] != u"off")
            throw ScriptError("check takes on or off");
        drive::check(control(a[0]), a[1] == u"on");
    } else if (c == u"expand") {
        drive::expand(control(a[0]), a[1]);
    } else if (c == u"pick") {
        drive::pick(control(a[0]), a[1]);
    } else if (c == u"key") {
        drive::key(control(a[0]), a[1]);
    } else if (c == u"answer") {
        answer(a[0]);
    } else if (c == u"closebox") {
        QWidget* window = QApplication::activeModalWidget();
        if (window == nullptr)
            throw ScriptError("no window is open");
        window->close();
    } else if (c == u"dump") {
        reporter_.report(QStringLiteral("dump"), inspect::describeWindow(activeWindow()));
    } else if (c == u"shot") {
        shot(a[0]);
    } else if (c == u"expect") {
        expect(a[0], a[1], a[2]);
    }
}

void ScriptStepper::answer(const QString& which) {
    const auto result = answerResult(which);
    if (!result)
        throw ScriptError("answer takes Yes, No, OK or Cancel");
    if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) == nullptr) {
        // The box may come up a step later: wait for it, then answer.
        --next_;
        beginWait(Wait::MessageBox);
        return;
    }
    QWidget* box = QApplication::activeModalWidget();
    reportMessageBox(box, which);
    drive::answer(box, *result);
}

void ScriptStepper::reportMessageBox(QWidget* window, const QJsonValue& answer) {
    auto* box = qobject_cast<QMessageBox*>(window);
    const bool error = box->property("qmError").toBool();
    reporter_.report(error ? QStringLiteral("error") : QStringLiteral("messagebox"),
                     {{QStringLiteral("text"), box->text()},
                      {QStringLiteral("caption"), box->windowTitle()},
                      {QStringLiteral("style"), box->property("qmStyle").toInt()},
                      {QStringLiteral("answer"), answer}});
}

void ScriptStepper::expect(const QString& name, const QString& property, const QString& value) {
    static const QStringList known = {QStringLiteral("text"),    QStringLiteral("caption"),
                                      QStringLiteral("enabled"), QStringLiteral("checked"),
                                      QStringLiteral("items"),   QStringLiteral("selected"),
                                      QStringLiteral("visible"), QStringLiteral("columns")};
    if (!known.contains(property))
        throw ScriptError("unknown property " + property.toStdString());
    const QWidget* widget = control(name);
    const auto actual = inspect::property(widget, property);
    if (!actual)
        throw ScriptError(name.toStdString() + " has no property " + property.toStdString());
    if (*actual != value)
        throw ScriptFailure(QStringLiteral("%1 %2 is \"%3\", expected \"%4\"")
                                .arg(name, property, *actual, value)
                                .toStdString());
}

void ScriptStepper::writeFile(const QString& path, const QString& text) {
    const QFileInfo info(absoluteScriptPath(path));
    if (isReadOnlyFile(info.filePath()))
        throw ScriptFailure(info.filePath().toStdString() + " is read-only");
    QDir().mkpath(info.absolutePath());
    QSaveFile file(info.filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw ScriptError("cannot write " + info.filePath().toStdString() + ": " +
                          file.errorString().toStdString());
}

void ScriptStepper::shot(const QString& file) {
    // The active dialog, else the main window.
    QWidget* window = activeWindow();
    if (!window->isVisible()) {
        // The hidden main window is shown off the screen once, so that its parts (the tab
        // bar among them) get laid out as they would be on the screen.
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->show();
    }
    const QString target = absoluteScriptPath(file);
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!window->grab().save(target, "PNG"))
        throw ScriptError("cannot write the picture " + target.toStdString());
    reporter_.report(QStringLiteral("shot"), {{QStringLiteral("caption"), window->windowTitle()},
                                              {QStringLiteral("file"), target}});
}

void ScriptStepper::finish(int code, const QString& reason, const ScriptLine* line) {
    if (exitCode_)
        return;
    if (!reason.isEmpty()) {
        QJsonObject fields{{QStringLiteral("text"), reason}};
        if (line) {
            fields.insert(QStringLiteral("line"), line->number);
            if (!line->source.isEmpty())
                fields.insert(QStringLiteral("source"), line->source);
        }
        reporter_.report(code == 1 ? QStringLiteral("failure") : QStringLiteral("script-error"),
                         fields);
    }
    exitCode_ = code;
    unwinding_.start();
}

void ScriptStepper::unwindStep() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr && running_ == 0) {
        reporter_.report(QStringLiteral("end"), {{QStringLiteral("exit"), *exitCode_}});
        QCoreApplication::exit(*exitCode_);
        return;
    }
    if (unwinding_.elapsed() > kWaitSeconds * 1000) {
        // Something refuses to close; the transcript is complete, so leave without it.
        reporter_.report(QStringLiteral("end"),
                         {{QStringLiteral("exit"), *exitCode_}, {QStringLiteral("forced"), true}});
        std::fflush(stdout);
        std::_Exit(*exitCode_);
    }
    if (window == nullptr)
        return;
    if (window == lastClosed_) {
        // The close box did not close it: end its modal loop directly.
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->done(QDialog::Rejected);
        else
            window->hide();
        return;
    }
    if (qobject_cast<QMessageBox*>(window))
        reportMessageBox(window, QJsonValue::Null);
    lastClosed_ = window;
    window->close();
}
