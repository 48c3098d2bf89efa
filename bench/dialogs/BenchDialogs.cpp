// Figures for the file dialogs, on real databases of this machine's server:
//  1. one project grown to 1,000, 10,000 and 100,000 files: the time to build the check-out
//     dialog (it lists the project by index, so it should grow linearly) and the time of the
//     verb-state query of "Show History" for a file under control (one lookup, under 1 ms);
//  2. a get-latest run over 2,000 files of a real source tree into an empty working folder,
//     beside `cp -r` of the same files.
// Usage: bench_dialogs [largest size] (default 100000).
#include "BenchWorld.h"
#include "UnitCheckOut.h"
#include "UnitGetLatest.h"
#include "UnitVssInterface.h"

#include <ui/Application.h>
#include <ui/ScriptedDriver.h>
#include <vss/VssInterfaces.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using bench::newDatabase;
using bench::Scratch;
using bench::Stopwatch;

// Adds files [from, to) to the project and says what it cost.
void grow(const VssItem& project, const fs::path& local, int from, int to) {
    const double s = bench::addFiles(project, local, from, to, bench::unitFile);
    std::printf("  built: %d Adds in %.1f s (%.2f ms per Add)\n", to - from, s,
                s * 1000 / std::max(1, to - from));
    std::fflush(stdout);
}

// The server calls the check-out dialog makes to list the project, without the dialog.
double listingCalls(const VssDatabase& database, const std::string& projectPath) {
    const Stopwatch watch;
    const VssItems children = database.item(projectPath, false).items(false);
    std::size_t listed = 0;
    for (std::int32_t i = 1, n = children.count(); i <= n; ++i)
        if (children.item(i).isCheckedOut() == vss::kNotCheckedOut)
            listed += children.item(i).name().size() > 0;
    if (listed == 0)
        throw std::runtime_error("nothing to list");
    return watch.seconds();
}

void largeProject(const Scratch& scratch, int largest) {
    std::printf("Check-out dialog and verb state on one project\n");
    VssDatabase database = newDatabase(scratch.root() / "large");
    const VssItem project = database.item("$/").newSubproject("Big", "");
    const fs::path local = scratch.root() / "large-work";

    TVssInterface connection; // opens $SSDIR like the add-in's default open
    connection.ChangeProject("$/Big");
    int built = 0;
    std::vector<std::pair<int, double>> constructions;
    for (int size : {1000, 10000, 100000}) {
        if (size > largest)
            break;
        grow(project, local, built, size);
        built = size;

        constexpr int kBuilds = 3;
        double best = 1e9;
        int listed = 0;
        for (int i = 0; i < kBuilds; ++i) {
            const Stopwatch watch;
            TFormCheckOut dialog(database, "$/Big", bench::unitFile(size / 2));
            best = std::min(best, watch.seconds());
            listed = dialog.ListBoxFileList->count();
        }
        constructions.emplace_back(size, best);
        double calls = 1e9;
        for (int i = 0; i < kBuilds; ++i)
            calls = std::min(calls, listingCalls(database, "$/Big"));

        const std::string current = (local / bench::unitFile(size - 1)).string();
        if (connection.CanWorkOnFile(current) != 1)
            throw std::runtime_error("the file is not under control");
        constexpr int kQueries = 2000;
        const Stopwatch watch;
        for (int i = 0; i < kQueries; ++i)
            connection.CanWorkOnFile(current);
        const double query = watch.seconds() / kQueries;
        std::printf("  %6d files: TFormCheckOut built in %8.1f ms (%d entries, %.2f us per "
                    "file; its server calls alone %.1f ms); GetVerbState(8) query %.3f ms\n",
                    size, best * 1000, listed, best * 1e6 / size, calls * 1000, query * 1000);
        std::fflush(stdout);
    }
    if (constructions.size() > 1) {
        const auto& [n0, t0] = constructions.front();
        const auto& [n1, t1] = constructions.back();
        std::printf("  growth: %dx the files, %.1fx the construction time\n", n1 / n0, t1 / t0);
    }
}

// The first `count` regular files under `tree` in sorted path order, each with the name it gets
// in the flat project: its own, or for a name already taken, the folder's name + "_" + it.
std::vector<std::pair<fs::path, std::string>> sourceFiles(const fs::path& tree, std::size_t count,
                                                          int& renamed) {
    std::vector<fs::path> all;
    for (const auto& entry : fs::recursive_directory_iterator(tree))
        if (entry.is_regular_file())
            all.push_back(entry.path());
    std::sort(all.begin(), all.end());
    if (all.size() > count)
        all.resize(count);
    std::vector<std::pair<fs::path, std::string>> chosen;
    std::set<std::string> names;
    renamed = 0;
    for (const auto& file : all) {
        std::string name = file.filename().string();
        for (fs::path folder = file.parent_path(); !names.insert(name).second;
             folder = folder.parent_path()) {
            name = folder.filename().string() + "_" + name;
            ++renamed;
        }
        chosen.emplace_back(file, name);
    }
    return chosen;
}

double copyTree(const fs::path& from, const fs::path& to) {
    const Stopwatch watch;
    const int code = QProcess::execute(QStringLiteral("/bin/cp"),
                                       {QStringLiteral("-r"), QString::fromStdString(from.string()),
                                        QString::fromStdString(to.string())});
    if (code != 0)
        throw std::runtime_error("cp failed");
    return watch.seconds();
}

// The server calls of a get-latest run without the dialog (lookup by name, both paths, Get) into
// an empty folder: what the server itself costs.
double plainGets(const VssItem& project, const std::vector<std::pair<fs::path, std::string>>& files,
                 const fs::path& folder) {
    fs::create_directories(folder);
    project.setLocalSpec(folder.string());
    const Stopwatch watch;
    const VssItems children = project.items(false);
    for (const auto& entry : files) {
        const VssItem child = children.item(entry.second);
        std::string local = child.localSpec();
        if (child.spec().empty())
            throw std::runtime_error("no SourceSafe path");
        child.get(local, 0);
    }
    return watch.seconds();
}

void getLatest(const Scratch& scratch) {
    const fs::path tree = "/usr/include/x86_64-linux-gnu/qt6";
    std::printf("\nGet latest of a real source tree (%s)\n", tree.c_str());
    int renamed = 0;
    const auto files = sourceFiles(tree, 2000, renamed);
    const fs::path staging = scratch.root() / "staging";
    fs::create_directories(staging);
    std::uintmax_t bytes = 0;
    for (const auto& [file, name] : files) {
        fs::copy_file(file, staging / name);
        bytes += fs::file_size(file);
    }
    std::printf("  %zu files, %.1f MiB (%d names made unique with their folder's name)\n",
                files.size(), bytes / 1048576.0, renamed);

    VssDatabase database = newDatabase(scratch.root() / "tree");
    const VssItem project = database.item("$/").newSubproject("Src", "");
    const Stopwatch adding;
    for (const auto& entry : files)
        project.add((staging / entry.second).string(), "", 0);
    std::printf("  added in %.1f s\n", adding.seconds());
    // A first pass warms the server's caches, so that neither measured pass pays for it.
    plainGets(project, files, scratch.root() / "get-warm-up");
    const fs::path work = scratch.root() / "get-work";
    fs::create_directories(work);
    project.setLocalSpec(work.string());

    ui::ScriptedDriver driver; // the busy cursor goes nowhere
    TFormGetLatest dialog(database, "$/Src", "");
    QTest::keyClick(dialog.ListBoxFileList, Qt::Key_A, Qt::ControlModifier); // select all
    if (!dialog.ButtonOk->isEnabled())
        throw std::runtime_error("select all did not enable OK");
    const Stopwatch run;
    dialog.ButtonOk->click();
    const double getSeconds = run.seconds();
    const auto lines = dialog.MemoLog->toPlainText().count(QChar('\n')) + 1;
    const auto fetched = std::distance(fs::directory_iterator(work), fs::directory_iterator());
    if (fetched != static_cast<long>(files.size()) || lines != static_cast<long>(files.size()))
        throw std::runtime_error("the run fetched " + std::to_string(fetched) + " files");

    const double plainSeconds = plainGets(project, files, scratch.root() / "get-plain");
    const double cpSeconds = copyTree(staging, scratch.root() / "cp-copy");
    std::printf("  get-latest run (dialog): %.3f s; the same calls without the dialog: %.3f s; "
                "cp -r: %.3f s\n",
                getSeconds, plainSeconds, cpSeconds);
    std::printf("  ratio get-latest run / cp -r: %.1f (dialog overhead %.1f%%)\n",
                getSeconds / cpSeconds, (getSeconds - plainSeconds) * 100 / plainSeconds);
}

} // namespace

int main(int argc, char** argv) {
    return bench::runProgram(argc, argv, "bench_dialogs", [](int argc, char** argv) {
        const Scratch scratch("bench-dialogs");
        std::printf("scratch folder: %s\n", scratch.root().c_str());
        largeProject(scratch, bench::numberArgument(argc, argv, 1, 100000));
        getLatest(scratch);
    });
}
