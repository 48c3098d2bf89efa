// ssexp.exe: the SourceSafe explorer. Opens a database through the automation server and shows
// its projects and files in a window, with the commands of the version-control add-in.
#include "DatabaseOpener.h"
#include "ExplorerOptions.h"
#include "ExplorerWindow.h"
#include "ReadyFile.h"

#include <com/Com.h>
#include <ui/Application.h>

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr char kCaption[] = "SourceSafe Explorer";

int runWindow(const ExplorerOptions& options) {
    ui::Application& application = ui::Application::instance();
    std::unique_ptr<ExplorerWindow> window;
    try {
        window =
            std::make_unique<ExplorerWindow>(DatabaseOpener(options.database, options.user).open());
        window->Open();
    } catch (const std::exception& error) {
        application.messageBox(error.what(), kCaption, ui::MB_OK | ui::MB_ICONERROR);
        return 1;
    }
    window->show();
    application.adoptMainWindow(static_cast<ui::WindowHandle>(window->winId()));
    QTimer::singleShot(0, window.get(), [&window] { reportWindowShown(*window); });
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
    const int code = runWindow(options);
    com::CoUninitialize();
    return code;
}
