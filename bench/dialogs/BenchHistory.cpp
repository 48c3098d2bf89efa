// Figures for the history and differences windows, on a real database of this machine's server:
//  1. the history window of a file with 10,000 versions: the time from construction (lookup,
//     history, one row per version) until the shown window has painted; the goal is 200 ms;
//  2. the differences window of two 20,000-line files with 1% of the lines changed (version in
//     SourceSafe against the local copy): construction until painted; the goal is 200 ms.
// Usage: bench_history [versions] [lines] (defaults 10000 and 20000).
#include "BenchWorld.h"
#include "UnitShowDifferences.h"
#include "UnitShowHistory.h"

#include <com/Com.h>

#include <QApplication>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using bench::newDatabase;
using bench::Scratch;
using bench::Stopwatch;

void writeFile(const fs::path& file, const std::string& text) {
    std::error_code missing; // a new file has no permissions to widen
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, missing);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

// Builds the window, shows it and lets it paint; returns the best of `runs` timings.
double bestOpening(int runs, const std::function<std::unique_ptr<QWidget>()>& open) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const Stopwatch watch;
        std::unique_ptr<QWidget> window = open();
        window->show();
        QApplication::processEvents();
        best = std::min(best, watch.seconds());
    }
    return best;
}

void history(const Scratch& scratch, int versions) {
    std::printf("History window of one file\n");
    VssDatabase database = newDatabase(scratch.root() / "history");
    const VssItem project = database.item("$/").newSubproject("Demo", "");
    const fs::path work = scratch.root() / "history-work";
    fs::create_directories(work);
    project.setLocalSpec(work.string());
    const fs::path file = work / "Main.pas";
    writeFile(file, "version 1\n");
    const VssItem item = project.add(file.string(), "first", 0);

    const Stopwatch build;
    for (int v = 2; v <= versions; ++v) {
        item.checkout("", file.string(), 0);
        writeFile(file, "version " + std::to_string(v) + "\n");
        item.checkin("check-in " + std::to_string(v), file.string(), 0);
    }
    std::printf("  built: %d versions in %.1f s\n", versions, build.seconds());
    std::fflush(stdout);

    int rows = 0;
    const double best = bestOpening(5, [&] {
        auto window = std::make_unique<TFormShowHistory>(database, "$/Demo", file.string());
        rows = window->ListViewHistory->topLevelItemCount();
        return window;
    });
    std::printf("  %d versions: TFormShowHistory opened in %.1f ms (%d rows; goal 200 ms)\n",
                versions, best * 1000, rows);
}

void differences(const Scratch& scratch, int lines) {
    std::printf("Differences window of two large files\n");
    VssDatabase database = newDatabase(scratch.root() / "differences");
    const VssItem project = database.item("$/").newSubproject("Demo", "");
    const fs::path work = scratch.root() / "differences-work";
    fs::create_directories(work);
    project.setLocalSpec(work.string());

    std::string stored;
    for (int i = 0; i < lines; ++i)
        stored += "    Line" + std::to_string(i) + " := Compute(" + std::to_string(i * 7) + ");\n";
    const fs::path file = work / "Large.pas";
    writeFile(file, stored);
    const VssItem item = project.add(file.string(), "", 0);

    // 1% of the lines, spread at random, are edited in the local copy.
    std::vector<std::string> local;
    for (int i = 0; i < lines; ++i)
        local.push_back("    Line" + std::to_string(i) + " := Compute(" + std::to_string(i * 7) +
                        ");");
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, lines - 1);
    const int changes = lines / 100;
    for (int i = 0; i < changes; ++i)
        local[std::size_t(pick(random))] += " // edited";
    std::string text;
    for (const std::string& line : local)
        text += line + "\n";
    const fs::path copy = scratch.root() / "Large.pas";
    writeFile(copy, text);

    QString status;
    const double best = bestOpening(5, [&] {
        auto window = std::make_unique<TFormShowDifferences>(item, 0, copy.string());
        status = window->LabelStatus->text();
        return window;
    });
    std::printf("  %d lines, %d edited: TFormShowDifferences opened in %.1f ms (%s; goal 200 ms)\n",
                lines, changes, best * 1000, status.toStdString().c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int versions = bench::numberArgument(argc, argv, 1, 10000);
    const int lines = bench::numberArgument(argc, argv, 2, 20000);
    com::CoInitialize();
    {
        Scratch scratch("bench-history");
        differences(scratch, lines);
        history(scratch, versions);
    }
    com::CoUninitialize();
    return 0;
}
