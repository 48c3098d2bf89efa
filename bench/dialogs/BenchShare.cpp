// Figures for the share dialog on a real database of this machine's server: the time to refresh
// the file list when the user selects a project of 10,000 files (goal: under 100 ms), and when
// the file type changes on it. Every selection reads the project's children anew.
// Usage: bench_share [files] (default 10000).
#include "UnitShareFromSS.h"

#include <com/Com.h>
#include <registry/Registry.h>
#include <system/System.h>
#include <ui/ScriptedDriver.h>
#include <vss/VssAdmin.h>
#include <vss/VssInterfaces.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr double kGoalMs = 100;

class Stopwatch {
public:
    double ms() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A scratch world: its own registry folder, removed at the end with everything in it.
class Scratch {
public:
    Scratch() {
        std::string pattern = (sys::tempFolder() / "bench-share-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder");
        root_ = pattern;
        fs::create_directories(root_ / "registry");
        ::setenv(reg::kFolderVariable, (root_ / "registry").c_str(), 1);
        ::unsetenv("SSUSER");
        com::registerServerLibrary(vss::CLSID_VSSDatabase, QM_SERVER_LIBRARY);
    }
    ~Scratch() {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::end(it);
             it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root_, ec);
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

VssDatabase newDatabase(const fs::path& folder) {
    vss::admin::createDatabase(folder, sys::logonName());
    ::setenv("SSDIR", folder.c_str(), 1);
    VssDatabase database = CoVSSDatabase::Create();
    database.open("", "", "");
    return database;
}

// Every tenth file is a form, the rest units: the "*.dfm" type lists a tenth of the project.
std::string fileName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, i % 10 == 0 ? "f%06d.dfm" : "f%06d.pas", i);
    return name;
}

void grow(const VssItem& project, const fs::path& local, int count) {
    fs::create_directories(local);
    const Stopwatch watch;
    for (int i = 0; i < count; ++i) {
        const fs::path file = local / fileName(i);
        std::ofstream(file) << "unit " << i << ";\n";
        project.add(file.string(), "", 0);
    }
    std::printf("  built: %d Adds in %.1f s\n", count, watch.ms() / 1000);
    std::fflush(stdout);
}

QTreeWidgetItem* child(QTreeWidgetItem* node, const char* text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == QLatin1String(text))
            return node->child(i);
    throw std::runtime_error(std::string("no tree node ") + text);
}

// A click on the node, as the user selects it.
double select(QTreeWidget* tree, QTreeWidgetItem* node) {
    tree->scrollToItem(node);
    const QPoint at = tree->visualItemRect(node).center();
    const Stopwatch watch;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    return watch.ms();
}

double chooseType(QComboBox* box, int index) {
    box->setFocus();
    const Stopwatch watch;
    QTest::keyClick(box, index == 0 ? Qt::Key_Home : Qt::Key_End);
    return watch.ms();
}

void run(const Scratch& scratch, int files) {
    std::printf("Share dialog: selecting a project of %d files\n", files);
    VssDatabase database = newDatabase(scratch.root() / "db");
    const VssItem root = database.item("$/");
    grow(root.newSubproject("Big", ""), scratch.root() / "work", files);
    root.newSubproject("Bound", "");
    root.newSubproject("Small", "");

    ui::ScriptedDriver driver; // the busy cursor goes nowhere
    TFormShareFromSS dialog(database, "$/Bound");
    dialog.show();
    QTreeWidgetItem* big = child(dialog.TreeVProjects->topLevelItem(0), "Big");
    QTreeWidgetItem* small = child(dialog.TreeVProjects->topLevelItem(0), "Small");

    constexpr int kRounds = 7;
    double selectBest = 1e9, selectWorst = 0, typeBest = 1e9;
    int listed = 0, forms = 0;
    for (int round = 0; round < kRounds; ++round) {
        select(dialog.TreeVProjects, small);
        const double ms = select(dialog.TreeVProjects, big);
        selectBest = std::min(selectBest, ms);
        selectWorst = std::max(selectWorst, ms);
        listed = dialog.ListBoxFiles->count();
        typeBest = std::min(typeBest, chooseType(dialog.ComboBoxFileTypes, 4));
        chooseType(dialog.ComboBoxFileTypes, 0);
    }
    // Sanity: the last type change listed all files again; the form type lists a tenth.
    dialog.ComboBoxFileTypes->setCurrentIndex(3);
    dialog.RefreshFileList();
    forms = dialog.ListBoxFiles->count();
    if (listed != files || forms != (files + 9) / 10)
        throw std::runtime_error("listed " + std::to_string(listed) + " files and " +
                                 std::to_string(forms) + " forms");
    std::printf("  select the project: best %.1f ms, worst %.1f ms of %d (goal: under %.0f ms: "
                "%s)\n",
                selectBest, selectWorst, kRounds, kGoalMs, selectBest < kGoalMs ? "met" : "MISSED");
    std::printf("  file-type change on it (no file matches): best %.1f ms\n", typeBest);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    com::CoInitialize();
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    int result = 0;
    try {
        const Scratch scratch;
        run(scratch, files);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_share: %s\n", error.what());
        result = 1;
    }
    com::CoUninitialize();
    return result;
}
