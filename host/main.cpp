// idehost: the IDE host stand-in. With a project (and a display) it opens its main window;
// with --script it runs the same host headless and drives it line by line.
#include "AddinLoader.h"
#include "MainWindow.h"
#include "ScriptRunner.h"

#include <script/ScriptFile.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

int runScript(MainWindow& window, const QString& scriptName, const std::optional<QString>& addin,
              const QString& project) {
    JsonReporter reporter;
    std::optional<QList<ScriptLine>> loaded =
        loadScript(scriptName, ScriptRunner::hostCommands(), reporter);
    if (!loaded)
        return 2;
    QList<ScriptLine> lines = std::move(*loaded);
    if (!project.isEmpty()) {
        ScriptLine open;
        open.command = QStringLiteral("open");
        open.args = QStringList{project};
        open.source = QStringLiteral("open ") + project;
        lines.prepend(open);
    }
    // Dialogs close, the host window stays hidden: only the script ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    ScriptRunner runner(window, std::move(lines), addin, reporter);
    runner.start();
    return QApplication::exec();
}

int runGui(MainWindow& window, const std::optional<QString>& addin, const QString& project) {
    window.show();
    // The add-in may ask questions at start-up (its login): load it once the window is up.
    QTimer::singleShot(0, &window, [&window, addin, project] {
        if (addin)
            if (const auto error = window.loadAddin(*addin))
                QMessageBox::warning(
                    &window, window.windowTitle(),
                    QObject::tr("%1\n\nThe host runs without the add-in.").arg(*error));
        if (!project.isEmpty())
            if (const auto error = window.openProject(project))
                QMessageBox::warning(&window, window.windowTitle(), *error);
    });
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("idehost"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("An IDE host for version-control add-ins."));
    parser.addHelpOption();
    const QCommandLineOption script(
        QStringLiteral("script"), QStringLiteral("Run a script headless (\"-\": standard input)."),
        QStringLiteral("file"));
    const QCommandLineOption addin(QStringLiteral("addin"),
                                   QStringLiteral("The add-in library to load."),
                                   QStringLiteral("path"));
    const QCommandLineOption noAddin(QStringLiteral("no-addin"),
                                     QStringLiteral("Run without an add-in."));
    parser.addOption(script);
    parser.addOption(addin);
    parser.addOption(noAddin);
    parser.addPositionalArgument(QStringLiteral("project"), QStringLiteral("A .dpr to open."),
                                 QStringLiteral("[project]"));
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fputs("idehost: at most one project\n", stderr);
        return 2;
    }

    std::optional<QString> library;
    if (!parser.isSet(noAddin))
        library = parser.isSet(addin) ? parser.value(addin) : AddinLoader::configuredLibrary();
    const QString project = parser.positionalArguments().value(0);

    MainWindow window;
    if (parser.isSet(script))
        return runScript(window, parser.value(script), library, project);
    return runGui(window, library, project);
}
