// The file dialogs' runs over a real source tree, side by side with git and cp on the same files
// in the same round:
//  - get latest of every file into an empty working folder, beside `git checkout` of the same
//    tree into an empty folder (from a repository prepared beforehand) and `cp -r`;
//  - the same get again, with every local copy current: it must leave the database untouched;
//  - for the first 500 files: get latest into an empty folder, check out, edit and check in
//    (beside `git add -A && git commit` of the same edits), check out, edit and undo.
// Each dialog run is a process of its own that reports its time and its peak memory.
// Usage: bench_runs [--tree DIR] [--rounds N] [--subset N] [--keep yes]
//        (defaults: the Qt 6 headers, 5 rounds, 500 files; --keep leaves the scratch folder)
#include "RunChild.h"
#include "Tools.h"

#include <ScratchFolder.h>

#include <com/Com.h>
#include <registry/Registry.h>
#include <system/System.h>
#include <vss/VssAdmin.h>

#include "VssAutomation.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace runs {
namespace {

namespace fs = std::filesystem;

constexpr long kMemoryLimitKiB = 64 * 1024;
const char* const kProject = "$/Src";

struct Options {
    fs::path tree = "/usr/include/x86_64-linux-gnu/qt6";
    int rounds = 5;
    int subset = 500;
    bool keep = false;
};

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Every regular file under the tree in sorted path order, each with the name it gets in the flat
// project: its own, or for a name already taken (in any case), the folder's name + "_" + it.
std::vector<std::pair<fs::path, std::string>> sourceFiles(const fs::path& tree) {
    std::vector<fs::path> all;
    for (const auto& entry : fs::recursive_directory_iterator(tree))
        if (!entry.is_symlink() && entry.is_regular_file())
            all.push_back(entry.path());
    std::sort(all.begin(), all.end());
    std::vector<std::pair<fs::path, std::string>> chosen;
    std::set<std::string> taken;
    for (const auto& file : all) {
        std::string name = file.filename().string();
        for (fs::path folder = file.parent_path(); !taken.insert(lowered(name)).second;
             folder = folder.parent_path())
            name = folder.filename().string() + "_" + name;
        chosen.emplace_back(file, name);
    }
    return chosen;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Size and modification time of every file of the database folder but SQLite's shared-memory
// index (which readers update): equal snapshots mean nothing was written.
std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with("-shm"))
            continue;
        struct stat st {};
        ::stat(entry.path().c_str(), &st);
        files[name] = {static_cast<std::uintmax_t>(st.st_size),
                       st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
    }
    return files;
}

// The cost of one flush to the disk under the database, which every durable commit outside a
// run pays, and a run once at its end.
double flushSeconds(const fs::path& folder) {
    const fs::path probe = folder / "flush-probe";
    const int fd = ::open(probe.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot create " + probe.string());
    const std::string page(4096, 'x');
    for (int i = 0; i < 64; ++i)
        if (::pwrite(fd, page.data(), page.size(), 4096 * i) < 0)
            throw std::runtime_error("cannot write " + probe.string());
    ::fsync(fd);
    constexpr int kFlushes = 64;
    const Stopwatch watch;
    for (int i = 0; i < kFlushes; ++i) {
        if (::pwrite(fd, page.data(), page.size(), 4096 * i) < 0)
            throw std::runtime_error("cannot write " + probe.string());
        ::fdatasync(fd);
    }
    const double seconds = watch.seconds() / kFlushes;
    ::close(fd);
    fs::remove(probe);
    return seconds;
}

void appendLine(const fs::path& file, const std::string& line) {
    std::ofstream out(file, std::ios::app | std::ios::binary);
    out << line << "\n";
    if (!out.flush())
        throw std::runtime_error("cannot edit " + file.string());
}

// Wall-clock and CPU (user + system) seconds: on a busy machine the first also measures the
// waiting for a processor, the second does not (and leaves out waiting for the disk).
struct Timing {
    double wall = 0;
    double cpu = 0;
    Timing operator+(const Timing& other) const { return {wall + other.wall, cpu + other.cpu}; }
};

struct RunFigures {
    Timing time;
    long peakKiB = 0;
    long residentKiB = 0;
};

class Bench {
public:
    Bench(const Options& options, const fs::path& scratch)
        : options_(options), scratch_(scratch), staging_(scratch / "staging"),
          repo_(scratch / "repo"), db_(scratch / "db") {}

    void prepare();
    void round(int number);
    void report() const;
    void printRatios(const std::map<std::string, std::vector<double>>& figures,
                     const char* kind) const;

private:
    RunFigures dialog(const std::string& kind, int count);
    void setWorkingFolder(const fs::path& folder);
    Timing git(const std::vector<std::string>& args);
    void record(const std::string& what, const Timing& t) {
        times_[what].push_back(t.wall);
        cpu_[what].push_back(t.cpu);
    }
    void recordRun(const std::string& what, const RunFigures& figures);
    void editSubset(const fs::path& folder, const std::string& text);

    Options options_;
    fs::path scratch_, staging_, repo_, db_;
    std::vector<std::string> names_; // flat names, in the project's order
    std::uintmax_t bytes_ = 0;
    VssDatabase database_;
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, std::vector<double>> cpu_;
    std::map<std::string, long> peaks_;
    std::map<std::string, long> growths_;
    bool untouched_ = true;
    double flush_ = 0;
};

void Bench::prepare() {
    const auto files = sourceFiles(options_.tree);
    if (files.size() < static_cast<std::size_t>(options_.subset))
        throw std::runtime_error("the tree has fewer files than the subset");
    fs::create_directories(staging_);
    fs::create_directories(repo_);
    for (const auto& [file, name] : files) {
        fs::copy_file(file, staging_ / name);
        fs::copy_file(file, repo_ / name);
        bytes_ += fs::file_size(file);
        names_.push_back(name);
    }
    std::sort(names_.begin(), names_.end());
    std::printf("tree: %s, %zu files, %.1f MiB, flattened into one project\n",
                options_.tree.c_str(), names_.size(), bytes_ / 1048576.0);

    const std::string gitConfig[] = {"-c", "user.name=bench", "-c", "user.email=bench@localhost",
                                     "-c", "gc.auto=0"};
    auto gitIn = [&](const fs::path& folder, std::vector<std::string> args) {
        std::vector<std::string> argv{"/usr/bin/git", "-C", folder.string()};
        argv.insert(argv.end(), std::begin(gitConfig), std::end(gitConfig));
        argv.insert(argv.end(), args.begin(), args.end());
        mustRun(argv);
    };
    gitIn(repo_, {"init", "-q"});
    gitIn(repo_, {"add", "-A"});
    gitIn(repo_, {"commit", "-q", "-m", "tree"});
    gitIn(repo_, {"gc", "-q"}); // one pack, as a clone would have it

    vss::admin::createDatabase(db_, sys::logonName());
    database_ = CoVSSDatabase::Create();
    database_.open((db_ / "srcsafe.ini").string(), "", "");
    const VssItem project = database_.item("$/").newSubproject("Src", "");
    const Stopwatch adding;
    for (const std::string& name : names_)
        project.add((staging_ / name).string(), "", 0);
    std::printf("added to the database in %.1f s\n", adding.seconds());
    flush_ = flushSeconds(db_);
    std::printf("one flush of the disk under the database (what a durable commit outside a run "
                "pays): %.3f ms\n\n",
                flush_ * 1000);
}

void Bench::setWorkingFolder(const fs::path& folder) {
    fs::create_directories(folder);
    database_.item(kProject).setLocalSpec(folder.string());
}

RunFigures Bench::dialog(const std::string& kind, int count) {
    const bench::ChildResult result =
        mustRun({selfPath().string(), "--run", kind, (db_ / "srcsafe.ini").string(), kProject,
                 std::to_string(count)});
    RunFigures figures;
    std::istringstream line(result.out);
    if (!(line >> figures.time.wall >> figures.peakKiB >> figures.residentKiB >> figures.time.cpu))
        throw std::runtime_error("the " + kind + " run reported " + result.out);
    return figures;
}

void Bench::recordRun(const std::string& what, const RunFigures& figures) {
    record(what, figures.time);
    peaks_[what] = std::max(peaks_[what], figures.peakKiB);
    growths_[what] = std::max(growths_[what], figures.peakKiB - figures.residentKiB);
}

Timing Bench::git(const std::vector<std::string>& args) {
    std::vector<std::string> argv{
        "/usr/bin/git", "-c",       "user.name=bench", "-c", "user.email=bench@localhost",
        "-c",           "gc.auto=0"};
    argv.insert(argv.end(), args.begin(), args.end());
    const bench::ChildResult result = mustRun(argv);
    return {result.seconds, result.cpuSeconds};
}

void Bench::editSubset(const fs::path& folder, const std::string& text) {
    for (int i = 0; i < options_.subset; ++i)
        appendLine(folder / names_[static_cast<std::size_t>(i)], text);
}

void Bench::round(int number) {
    const std::string r = std::to_string(number);
    const int all = static_cast<int>(names_.size());
    const int subset = options_.subset;

    // The same tree three ways into empty folders. Whoever writes first may meet a different
    // state of the file system's allocator, so git and the dialog take turns going first.
    const fs::path clone = scratch_ / ("clone" + r);
    git({"clone", "-q", "--no-checkout", repo_.string(), clone.string()});
    setWorkingFolder(scratch_ / ("work" + r));
    const bool dialogFirst = number % 2 == 0;
    RunFigures get{};
    if (dialogFirst)
        get = dialog("get", all);
    const Timing gitCheckout = git({"-C", clone.string(), "checkout", "-q", "-f", "HEAD"});
    record("git checkout", gitCheckout);
    const bench::ChildResult copied =
        mustRun({"/bin/cp", "-r", staging_.string(), (scratch_ / ("cp" + r)).string()});
    const Timing copy{copied.seconds, copied.cpuSeconds};
    record("cp -r", copy);
    if (!dialogFirst)
        get = dialog("get", all);
    recordRun("get latest (all)", get);

    // Everything is current now: the second run must not write to the database.
    const auto before = snapshot(db_);
    const RunFigures again = dialog("get", all);
    recordRun("get latest, nothing to do", again);
    const bool untouched = snapshot(db_) == before;
    untouched_ = untouched_ && untouched;

    // The first files: get, check out, edit, check in; check out, edit, undo.
    setWorkingFolder(scratch_ / ("part" + r));
    const RunFigures getPart = dialog("get", subset);
    recordRun("get latest (subset)", getPart);
    const RunFigures checkout = dialog("checkout", subset);
    recordRun("check out", checkout);
    const std::string edit = "// edited in round " + r;
    editSubset(scratch_ / ("part" + r), edit);
    editSubset(clone, edit);
    const RunFigures checkin = dialog("checkin", subset);
    recordRun("check in", checkin);
    const Timing gitAdd = git({"-C", clone.string(), "add", "-A"}); // before the commit
    const Timing gitCommit =
        gitAdd + git({"-C", clone.string(), "commit", "-q", "-m", "edit " + r});
    record("git add -A && git commit", gitCommit);
    const RunFigures checkoutAgain = dialog("checkout", subset);
    recordRun("check out", checkoutAgain);
    editSubset(scratch_ / ("part" + r), "// undone in round " + r);
    const RunFigures undo = dialog("undo", subset);
    recordRun("undo check out", undo);

    std::printf("round %s: git checkout %.3f s, cp -r %.3f s, get latest %.3f s (%.2fx git, "
                "%.1fx cp), again %.3f s (%.2fx, database %s)\n",
                r.c_str(), gitCheckout.wall, copy.wall, get.time.wall,
                get.time.wall / gitCheckout.wall, get.time.wall / copy.wall, again.time.wall,
                again.time.wall / get.time.wall, untouched ? "untouched" : "WRITTEN");
    std::printf("         %d files: get %.3f s, check out %.3f s (%.2fx get), check in %.3f s "
                "(%.2fx git add+commit %.3f s), undo %.3f s (%.2fx get)\n",
                subset, getPart.time.wall, checkout.time.wall,
                checkout.time.wall / getPart.time.wall, checkin.time.wall,
                checkin.time.wall / gitCommit.wall, gitCommit.wall, undo.time.wall,
                undo.time.wall / getPart.time.wall);
    std::fflush(stdout);
    // The rounds' folders stay until the end: on some file systems (ext4 without a journal)
    // every new file skips the inodes freed in the last minutes one by one, so removing a
    // round's trees would slow the next round's writers, whichever writes first.
}

void Bench::printRatios(const std::map<std::string, std::vector<double>>& figures,
                        const char* kind) const {
    auto med = [&](const char* what) { return median(figures.at(what)); };
    const double gitCheckout = med("git checkout"), copy = med("cp -r");
    const double get = med("get latest (all)"), again = med("get latest, nothing to do");
    const double getPart = med("get latest (subset)"), checkout = med("check out");
    const double checkin = med("check in"), gitCommit = med("git add -A && git commit");
    const double undo = med("undo check out");
    const std::size_t all = names_.size();
    const int subset = options_.subset;
    auto verdict = [](double ratio, double limit) { return ratio <= limit ? "met" : "NOT met"; };
    std::printf("\nratios of the %s time (median / median)\n", kind);
    std::printf("  get latest of %zu files / git checkout:      %5.2f  (at most 1.0: %s)\n", all,
                get / gitCheckout, verdict(get / gitCheckout, 1.0));
    std::printf("  get latest of %zu files / cp -r:             %5.2f\n", all, get / copy);
    std::printf("  git checkout / cp -r:                        %5.2f\n", gitCheckout / copy);
    std::printf("  get with nothing to do / get that fetched:    %5.2f  (at most 0.3: %s)\n",
                again / get, verdict(again / get, 0.3));
    std::printf("  check in of %d / git add -A && git commit:  %5.2f  (at most 2: %s)\n", subset,
                checkin / gitCommit, verdict(checkin / gitCommit, 2));
    std::printf("  check out of %d / get latest of the same:   %5.2f  (at most 2: %s)\n", subset,
                checkout / getPart, verdict(checkout / getPart, 2));
    std::printf("  undo check out of %d / get latest of same:  %5.2f  (at most 2: %s)\n", subset,
                undo / getPart, verdict(undo / getPart, 2));
}

void Bench::report() const {
    std::printf("\nmedians of %d rounds            wall        CPU\n", options_.rounds);
    for (const auto& [what, values] : times_)
        std::printf("  %-28s %8.3f s %8.3f s\n", what.c_str(), median(values),
                    median(cpu_.at(what)));
    printRatios(times_, "wall-clock");
    printRatios(cpu_, "CPU");
    std::printf("\n  the get with nothing to do left the database %s\n",
                untouched_ ? "untouched in every round" : "WRITTEN in some round");
    std::printf("  a dialog's run reaches the disk with one flush at its end (%.3f ms); %d calls "
                "each durable on its own would pay %d flushes = %.3f s\n",
                flush_ * 1000, options_.subset, options_.subset, flush_ * options_.subset);
    std::printf("\npeak memory of each run's process (highest over the rounds; growth during "
                "the run itself)\n");
    for (const auto& [what, peak] : peaks_)
        std::printf("  %-28s %6.1f MiB (+%.1f MiB in the run)  %s\n", what.c_str(), peak / 1024.0,
                    growths_.at(what) / 1024.0,
                    peak < kMemoryLimitKiB ? "under 64 MiB" : "OVER 64 MiB");
}

int benchMain(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--tree")
            options.tree = value;
        else if (option == "--rounds")
            options.rounds = std::max(1, std::stoi(value));
        else if (option == "--subset")
            options.subset = std::max(1, std::stoi(value));
        else if (option == "--keep")
            options.keep = value == "yes";
        else {
            std::fprintf(stderr, "bench_runs: unknown option %s\n", option.c_str());
            return 2;
        }
    }
    bench::ScratchFolder scratch("bench-runs");
    if (options.keep) {
        scratch.keep();
        std::printf("scratch folder (kept): %s\n", scratch.path().c_str());
    }
    fs::create_directories(scratch.path() / "registry");
    ::setenv(reg::kFolderVariable, (scratch.path() / "registry").c_str(), 1);
    ::unsetenv("SSUSER");
    com::CoInitialize();
    int code = 0;
    try {
        com::registerServerLibrary(vss::CLSID_VSSDatabase, QM_SERVER_LIBRARY);
        Bench bench(options, scratch.path());
        bench.prepare();
        for (int r = 1; r <= options.rounds; ++r)
            bench.round(r);
        bench.report();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_runs: %s\n", error.what());
        code = 1;
    }
    com::CoUninitialize();
    return code;
}

} // namespace
} // namespace runs

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--run")
        return runs::runDialog(argv[2], argv[3], argv[4], std::atoi(argv[5]), argc, argv);
    return runs::benchMain(argc, argv);
}
