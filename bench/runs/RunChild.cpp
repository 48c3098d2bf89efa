#include "RunChild.h"

#include "Tools.h"

#include "UnitCheckIn.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitUndoCheckOut.h"

#include <com/Com.h>
#include <ui/ScriptedDriver.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace runs {

namespace {

std::unique_ptr<TFormFileList> makeDialog(const std::string& kind, const VssDatabase& database,
                                          const std::string& project) {
    if (kind == "get")
        return std::make_unique<TFormGetLatest>(database, project, "");
    if (kind == "checkout")
        return std::make_unique<TFormCheckOut>(database, project, "");
    if (kind == "checkin")
        return std::make_unique<TFormCheckIn>(database, project, "");
    if (kind == "undo")
        return std::make_unique<TFormUndoCheckOut>(database, project, "");
    throw std::runtime_error("unknown run " + kind);
}

// The selection is made directly, as a shift-click would make it; OK follows it.
void selectFirst(TFormFileList& dialog, int count) {
    QListWidget& list = *dialog.ListBoxFileList;
    if (list.count() < count)
        throw std::runtime_error("the list has " + std::to_string(list.count()) +
                                 " entries, fewer than " + std::to_string(count));
    const QModelIndex first = list.model()->index(0, 0);
    const QModelIndex last = list.model()->index(count - 1, 0);
    list.selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::Select);
    dialog.ButtonOk->setEnabled(true);
}

// Every selected file has its operation line and none has a failure line.
void checkLog(const QPlainTextEdit& log, int count) {
    const QStringList lines = log.toPlainText().split(QChar('\n'));
    if (lines.size() != count)
        throw std::runtime_error("the log has " + std::to_string(lines.size()) + " lines for " +
                                 std::to_string(count) +
                                 " files: " + log.toPlainText().left(400).toStdString());
    for (const QString& line : lines)
        if (line.contains(QStringLiteral(" Reason:")))
            throw std::runtime_error("a file failed: " + line.toStdString());
}

// With BENCH_PERF_CONTROL naming the control fifo of `perf record --control fifo:F -D -1`,
// perf samples the run itself and not the program's start.
void tellProfiler(const char* command) {
    const char* fifo = std::getenv("BENCH_PERF_CONTROL");
    if (fifo == nullptr)
        return;
    const int fd = ::open(fifo, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::write(fd, command, std::strlen(command)) < 0)
        std::perror("bench_runs: perf control");
    ::close(fd);
}

int run(const std::string& kind, const std::string& ini, const std::string& project, int count) {
    VssDatabase database = CoVSSDatabase::Create();
    database.open(ini, "", "");
    ui::ScriptedDriver driver; // the busy cursor goes nowhere
    const auto dialog = makeDialog(kind, database, project);
    dialog->show();
    QApplication::processEvents();
    selectFirst(*dialog, count);
    const long residentBefore = statusKiB("VmRSS");
    const double cpuBefore = cpuSeconds();
    tellProfiler("enable\n");
    const Stopwatch watch;
    dialog->ButtonOk->click();
    const double seconds = watch.seconds();
    tellProfiler("disable\n");
    const double cpu = cpuSeconds() - cpuBefore;
    checkLog(*dialog->MemoLog, count);
    std::printf("%.6f %ld %ld %.6f\n", seconds, statusKiB("VmHWM"), residentBefore, cpu);
    return 0;
}

} // namespace

int runDialog(const std::string& kind, const std::string& ini, const std::string& project,
              int count, int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    com::CoInitialize();
    int code = 0;
    try {
        code = run(kind, ini, project, count);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_runs %s: %s\n", kind.c_str(), error.what());
        code = 1;
    }
    com::CoUninitialize();
    return code;
}

} // namespace runs
