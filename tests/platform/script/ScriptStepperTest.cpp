// A program's own commands plugged into the script machinery: parsing, start-up, dispatch,
// waiting for open windows, and how their failures end the script.
#include <script/ScriptFile.h>
#include <script/ScriptHost.h>
#include <script/ScriptStepper.h>

#include <QApplication>
#include <QDialog>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// A program with a line edit in its main window and four commands of its own.
class Program : public ScriptHost {
public:
    Program() {
        auto* edit = new QLineEdit(&window);
        edit->setObjectName(QStringLiteral("Edit"));
    }

    QWidget& mainWindow() override { return window; }
    const ScriptCommands& commands() const override { return table; }
    void startUp() override {
        startedBeforeLines = ran.isEmpty();
        if (welcome)
            openDialog(QStringLiteral("Welcome"), false);
    }
    void run(const ScriptLine& line) override {
        if (line.command == u"hello") {
            ran.append(line.args[0]);
            dialogOpenWhileRunning = QApplication::activeModalWidget() != nullptr;
        } else if (line.command == u"ask") {
            openDialog(QStringLiteral("Question"), true);
        } else if (line.command == u"refuse") {
            throw ScriptFailure("refused");
        } else if (line.command == u"bad") {
            throw ScriptError("bad line");
        }
    }

    QWidget window;
    bool welcome = false;
    bool startedBeforeLines = false;
    bool dialogOpenWhileRunning = false;
    QStringList ran;

private:
    // A modal dialog with an OK button; one that closes itself after a moment when asked.
    void openDialog(const QString& caption, bool closesItself) {
        QDialog dialog;
        dialog.setWindowTitle(caption);
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        ok->setObjectName(QStringLiteral("ButtonOK"));
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        (new QVBoxLayout(&dialog))->addWidget(ok);
        if (closesItself)
            QTimer::singleShot(300, &dialog, &QDialog::accept);
        dialog.exec();
    }

    const ScriptCommands table = {{QStringLiteral("hello"), {1, 1}},
                                  {QStringLiteral("ask"), {0, 0}},
                                  {QStringLiteral("refuse"), {0, 0}},
                                  {QStringLiteral("bad"), {0, 0}}};
};

struct Outcome {
    int exitCode = -1;
    QList<QJsonObject> events;

    QJsonObject first(const QString& type) const {
        for (const QJsonObject& event : events)
            if (event.value(QStringLiteral("type")).toString() == type)
                return event;
        return {};
    }
};

QList<QJsonObject> readEvents(std::FILE* file) {
    QList<QJsonObject> events;
    std::rewind(file);
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, file))
        events.append(QJsonDocument::fromJson(QByteArray(buffer)).object());
    return events;
}

Outcome runScript(Program& program, const QString& script) {
    QApplication::setQuitOnLastWindowClosed(false);
    std::FILE* transcript = std::tmpfile();
    JsonReporter reporter(transcript);
    Outcome result;
    {
        ScriptStepper stepper(program, ScriptLine::parseScript(script, program.commands()),
                              reporter);
        stepper.start();
        result.exitCode = QApplication::exec();
    }
    result.events = readEvents(transcript);
    std::fclose(transcript);
    return result;
}

TEST(ScriptStepper, StartUpRunsFirstAndItsWindowIsDrivenByTheFollowingLines) {
    Program program;
    program.welcome = true;
    const Outcome run = runScript(program, "window Welcome\nclick ButtonOK\nhello there\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(program.startedBeforeLines);
    EXPECT_EQ(program.ran, QStringList{"there"});
    EXPECT_EQ(run.first("window").value("caption").toString(), "Welcome");
}

TEST(ScriptStepper, AProgramCommandWaitsUntilTheOpenWindowHasClosed) {
    Program program;
    const Outcome run = runScript(program, "ask\nhello after\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(program.ran, QStringList{"after"});
    EXPECT_FALSE(program.dialogOpenWhileRunning);
}

TEST(ScriptStepper, WindowCommandsActOnTheMainWindowWhenNoDialogIsOpen) {
    Program program;
    const Outcome run = runScript(program, "type Edit abc\nexpect Edit text abc\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(program.window.findChild<QLineEdit*>("Edit")->text(), "abc");
}

TEST(ScriptStepper, AProgramCommandsProblemEndsTheScriptNamingItsLine) {
    const struct {
        const char* script;
        int exitCode;
        const char* type;
        const char* text;
    } cases[] = {
        {"hello x\nrefuse\nhello y\n", 1, "failure", "refused"},
        {"hello x\nbad\nhello y\n", 2, "script-error", "bad line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        Program program;
        const Outcome run = runScript(program, c.script);
        EXPECT_EQ(run.exitCode, c.exitCode);
        const QJsonObject problem = run.first(c.type);
        EXPECT_EQ(problem.value("text").toString(), c.text);
        EXPECT_EQ(problem.value("line").toInt(), 2);
        EXPECT_EQ(program.ran, QStringList{"x"});
        EXPECT_EQ(run.events.last().value("exit").toInt(), c.exitCode);
    }
}

TEST(ScriptLine, AProgramsOwnCommandsAreCheckedLikeTheWindowCommands) {
    const ScriptCommands own = {{QStringLiteral("hello"), {1, 2}}};
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"hello a\nhello a b\nclick X", ""},
        {"hello", "line 1: wrong number of arguments for hello"},
        {"click X\nhello a b c", "line 2: wrong number of arguments for hello"},
        {"goodbye", "line 1: unknown command \"goodbye\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        std::string error;
        try {
            ScriptLine::parseScript(c.script, own);
        } catch (const ScriptError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);
    }
}

TEST(ScriptFile, AScriptThatCannotBeReadEndsWithAScriptError) {
    QTemporaryDir folder;
    std::FILE* transcript = std::tmpfile();
    JsonReporter reporter(transcript);
    const auto lines = loadScript(folder.filePath("missing.txt"), {}, reporter);
    const QList<QJsonObject> events = readEvents(transcript);
    std::fclose(transcript);
    EXPECT_FALSE(lines);
    ASSERT_EQ(events.size(), 2);
    EXPECT_TRUE(events[0].value("text").toString().startsWith("cannot read the script "));
    EXPECT_EQ(events[1].value("type").toString(), "end");
    EXPECT_EQ(events[1].value("exit").toInt(), 2);
}

} // namespace
