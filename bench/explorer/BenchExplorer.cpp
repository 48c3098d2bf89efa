// Figures for the explorer on a real database of this machine's server: the time to fill the
// file list when the user selects a project of 10,000 files (goal: under 100 ms), and a
// recursive get cancelled half-way, which must leave every file it wrote whole and nothing else.
// Usage: bench_explorer [files] (default 10000).
#include "BenchWorld.h"
#include "ExplorerWindow.h"
#include "GetProgressDialog.h"
#include "ProjectGet.h"

#include <ui/ScriptedDriver.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

using bench::newDatabase;
using bench::Scratch;
using bench::Stopwatch;

std::string readWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void benchFileList(const VssDatabase& database, const VssItem& root, const fs::path& work,
                   int files) {
    std::printf("Explorer: selecting a project of %d files\n", files);
    const double built =
        bench::addFiles(root.newSubproject("Big", ""), work / "Big", 0, files, bench::unitFile);
    root.newSubproject("Small", "");
    std::printf("  built: %d Adds in %.1f s\n", files, built);
    std::fflush(stdout);

    ExplorerWindow window;
    window.Open(database);
    window.show();
    QTreeWidgetItem* big = bench::childNode(window.TreeVProjects->topLevelItem(0), "Big");
    QTreeWidgetItem* small = bench::childNode(window.TreeVProjects->topLevelItem(0), "Small");
    // Until the filled list has been laid out and painted.
    constexpr auto kUntil = bench::ClickUntil::Settled;
    constexpr int kRounds = 7;
    bench::Timings selecting;
    for (int round = 0; round < kRounds; ++round) {
        bench::clickNode(window.TreeVProjects, small, kUntil);
        selecting.add(bench::clickNode(window.TreeVProjects, big, kUntil));
        if (window.FileList->model()->rowCount() != files)
            throw std::runtime_error(
                "listed " + std::to_string(window.FileList->model()->rowCount()) + " files");
    }
    bench::printAgainstGoal("select the project, list filled and painted", selecting,
                            bench::kFileListGoalMs);
}

// $/Tree: `projects` sub-projects of `each` files, every file 64 KiB so a file takes a while.
void benchCancelledGet(const VssDatabase& database, const VssItem& root, const fs::path& work,
                       int projects, int each) {
    std::printf("Explorer: a recursive get of %d files, cancelled half-way\n", projects * each);
    const VssItem tree = root.newSubproject("Tree", "");
    const std::string filler(64 * 1024, 'x');
    for (int p = 0; p < projects; ++p) {
        const std::string name = "P" + std::to_string(p);
        const VssItem project = tree.newSubproject(name, "");
        const fs::path folder = work / "Tree" / name;
        fs::create_directories(folder);
        project.setLocalSpec(folder.string());
        for (int i = 0; i < each; ++i) {
            const fs::path file = folder / bench::unitFile(i);
            std::ofstream(file, std::ios::binary) << name << ' ' << i << '\n' << filler;
            project.add(file.string(), "", 0);
        }
    }
    const fs::path target = work / "GetTarget";
    tree.setLocalSpec(target.string());
    for (int p = 0; p < projects; ++p)
        database.item("$/Tree/P" + std::to_string(p))
            .setLocalSpec((target / ("P" + std::to_string(p))).string());

    const ProjectGet get(database);
    std::vector<GetJob> jobs = get.collect("$/Tree");
    const int total = static_cast<int>(jobs.size());
    const int cancelAt = total / 2;
    ui::ScriptedDriver driver;
    driver.drive([cancelAt](ui::Form& form) {
        auto& dialog = dynamic_cast<GetProgressDialog&>(form);
        QObject::connect(dialog.ProgressBarFiles, &QProgressBar::valueChanged, &dialog,
                         [&dialog, cancelAt](int value) {
                             if (value == cancelAt && dialog.ButtonCancel->isEnabled())
                                 QTest::mouseClick(dialog.ButtonCancel, Qt::LeftButton);
                         });
        QElapsedTimer waited;
        waited.start();
        while (form.isVisible() && waited.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    });
    const Stopwatch watch;
    GetProgressDialog dialog(get, jobs, 0);
    dialog.showModal();
    const double seconds = watch.seconds();
    const GetOutcome& outcome = dialog.outcome();

    // Every file written is whole; nothing else is in the target (no temporaries, no halves).
    int whole = 0, extra = 0;
    for (const auto& entry : fs::recursive_directory_iterator(target)) {
        if (!entry.is_regular_file())
            continue;
        const auto found = std::find_if(jobs.begin(), jobs.end(), [&](const GetJob& job) {
            return fs::path(job.localPath) == entry.path();
        });
        if (found == jobs.end() || found - jobs.begin() >= cancelAt) {
            ++extra;
            continue;
        }
        if (readWhole(entry.path()) != database.item(found->spec).readVersion(0))
            throw std::runtime_error("a torn file: " + entry.path().string());
        ++whole;
    }
    std::printf("  got %zu of %d files in %.2f s (%.0f files/s), cancelled: %s\n", outcome.done,
                total, seconds, static_cast<double>(outcome.done) / seconds,
                outcome.cancelled ? "yes" : "no");
    std::printf("  on disk: %d whole files, %d others (goal: %d whole, 0 others: %s)\n", whole,
                extra, cancelAt,
                whole == cancelAt && extra == 0 && outcome.cancelled ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    return bench::runProgram(argc, argv, "bench_explorer", [](int argc, char** argv) {
        const Scratch scratch("bench-explorer");
        VssDatabase database = newDatabase(scratch.root() / "db");
        const VssItem root = database.item("$/");
        benchFileList(database, root, scratch.root() / "work",
                      bench::numberArgument(argc, argv, 1, 10000));
        benchCancelledGet(database, root, scratch.root() / "work", 4, 250);
    });
}
