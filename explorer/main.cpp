// ssexp.exe: the SourceSafe explorer. Opens a database through the automation server and shows
// its projects and files in a window, with the commands of the version-control add-in; with
// --script it runs headless, driven line by line in the host's script language.
#include "DatabaseOpener.h"
#include "ExplorerOptions.h"
#include "ExplorerScript.h"
#include "ExplorerWindow.h"
#include "ReadyFile.h"

#include <com/Com.h>
#include <script/ScriptFile.h>
#include <script/ScriptStepper.h>
#include <ui/Application.h>

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr char kCaption[] = "SourceSafe Explorer";

int runWindow(ExplorerWindow& window, const ExplorerOptions& options) {
    ui::Application& application = ui::Application::instance();
    try {
        window.Open(DatabaseOpener(options.database, options.user).open());
    } catch (const std::exception& error) {
        application.messageBox(error.what(), kCaption, ui::MB_OK | ui::MB_ICONERROR);
        return 1;
    }
    window.show();
    application.adoptMainWindow(static_cast<ui::WindowHandle>(window.winId()));
    QTimer::singleShot(0, &window, [&window] { reportWindowShown(window); });
    return QApplication::exec();
}

// The window stays hidden: only the script ends the program.
int runScript(ExplorerWindow& window, const ExplorerOptions& options) {
    JsonReporter reporter;
    auto lines = loadScript(QString::fromStdString(*options.script),
                            ExplorerScript::explorerCommands(), reporter);
    if (!lines)
        return 2;
    QApplication::setQuitOnLastWindowClosed(false);
    ExplorerScript host(window, options, reporter);
    ScriptStepper stepper(host, std::move(*lines), reporter);
    stepper.start();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ssexp"));
    ExplorerOptions options;
    try {
        options = ExplorerOptions::parse(QApplication::arguments().mid(1));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "ssexp.exe: %s\n%s", error.what(), ExplorerOptions::usage());
        return 2;
    }
    if (options.help) {
        std::fputs(ExplorerOptions::usage(), stdout);
        return 0;
    }
    com::CoInitialize();
    int code = 0;
    {
        ExplorerWindow window;
        code = options.script ? runScript(window, options) : runWindow(window, options);
    }
    // Objects handed to deleteLater while the last loop was ending are deleted now, not left
    // behind at exit.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    com::CoUninitialize();
    return code;
}
