#include "BenchWorld.h"

#include <com/Com.h>
#include <registry/Registry.h>
#include <system/System.h>
#include <vss/VssAdmin.h>
#include <vss/VssInterfaces.h>

#include <QApplication>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace bench {

int runProgram(int argc, char** argv, const char* program,
               const std::function<void(int argc, char** argv)>& body) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    com::CoInitialize();
    int result = 0;
    try {
        body(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", program, error.what());
        result = 1;
    }
    com::CoUninitialize();
    return result;
}

int numberArgument(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::atoi(argv[index]) : fallback;
}

double Timings::best() const {
    return *std::min_element(ms_.begin(), ms_.end());
}

double Timings::worst() const {
    return *std::max_element(ms_.begin(), ms_.end());
}

double Timings::median() const {
    std::vector<double> sorted = ms_;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

void printAgainstGoal(const char* what, const Timings& timings, double goalMs) {
    std::printf("  %s: best %.1f ms, worst %.1f ms of %d (goal: under %.0f ms: %s)\n", what,
                timings.best(), timings.worst(), timings.count(), goalMs,
                timings.best() < goalMs ? "met" : "MISSED");
}

Scratch::Scratch(const std::string& name) : folder_(name) {
    fs::create_directories(root() / "registry");
    ::setenv(reg::kFolderVariable, (root() / "registry").c_str(), 1);
    ::unsetenv("SSUSER");
    com::registerServerLibrary(vss::CLSID_VSSDatabase, QM_SERVER_LIBRARY);
}

VssDatabase newDatabase(const fs::path& folder) {
    vss::admin::createDatabase(folder, sys::logonName());
    ::setenv("SSDIR", folder.c_str(), 1);
    VssDatabase database = CoVSSDatabase::Create();
    database.open("", "", "");
    return database;
}

double addFiles(const VssItem& project, const fs::path& local, int from, int to,
                std::string (*name)(int)) {
    fs::create_directories(local);
    const Stopwatch watch;
    for (int i = from; i < to; ++i) {
        const fs::path file = local / name(i);
        std::ofstream(file) << "unit " << i << ";\n";
        project.add(file.string(), "", 0);
    }
    return watch.seconds();
}

std::string numberedFile(int i, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "f%06d.%s", i, extension);
    return name;
}

std::string unitFile(int i) {
    return numberedFile(i, "pas");
}

QTreeWidgetItem* childNode(QTreeWidgetItem* node, const char* text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == QLatin1String(text))
            return node->child(i);
    throw std::runtime_error(std::string("no tree node ") + text);
}

double clickNode(QTreeWidget* tree, QTreeWidgetItem* node, ClickUntil until) {
    tree->scrollToItem(node);
    const QPoint at = tree->visualItemRect(node).center();
    if (until == ClickUntil::Settled)
        QCoreApplication::processEvents();
    const Stopwatch watch;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    if (until == ClickUntil::Settled)
        QCoreApplication::processEvents();
    return watch.ms();
}

} // namespace bench
