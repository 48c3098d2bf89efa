// Figures for the add-project dialog on a real database of this machine's server: a tree of
// 100 projects with 100 sub-projects each (10,100 projects) and files beside them.
//  1. Opening the dialog reads two levels only (the root's projects and theirs): its time and
//     the server calls it makes, counted by a recording wrapper around the database object.
//  2. Expanding a node with 100 children reads each child's sub-projects once; expanding it
//     again reads only the children found without sub-projects.
// Usage: bench_add_project [projects per level] (default 100).
#include "UnitAddProject.h"

#include "BenchWorld.h"
#include "FaultyVss.h"

#include <system/System.h>
#include <ui/ScriptedDriver.h>
#include <vss/VssAdmin.h>
#include <vss/VssInterfaces.h>

#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

using bench::Scratch;
using bench::Stopwatch;

std::string numbered(const char* prefix, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%03d", prefix, i);
    return name;
}

// width projects under "$/", each with width sub-projects and two files; every tenth sub-project
// holds two files of its own. Returns the open database.
VssDatabase buildTree(const fs::path& folder, const fs::path& local, int width) {
    vss::admin::createDatabase(folder, sys::logonName());
    VssDatabase database = CoVSSDatabase::Create();
    database.open((folder / "srcsafe.ini").string(), sys::logonName(), "");
    fs::create_directories(local);
    for (const char* name : {"a.pas", "b.pas"})
        std::ofstream(local / name) << "unit x;\n";
    const Stopwatch watch;
    const VssItem root = database.item("$/");
    int projects = 0, files = 0;
    const auto addFiles = [&](const VssItem& project) {
        for (const char* name : {"a.pas", "b.pas"}) {
            project.add((local / name).string(), "", 0);
            ++files;
        }
    };
    for (int i = 0; i < width; ++i) {
        const VssItem top = root.newSubproject(numbered("P", i), "");
        ++projects;
        addFiles(top);
        for (int j = 0; j < width; ++j) {
            const VssItem sub = top.newSubproject(numbered("S", j), "");
            ++projects;
            if (j % 10 == 0)
                addFiles(sub);
        }
    }
    std::printf("  built %d projects and %d files in %.1f s\n", projects, files, watch.seconds());
    std::fflush(stdout);
    return database;
}

std::string callSummary(const testenv::FaultPlan& plan) {
    std::map<std::string, int> counts;
    for (const auto& call : plan.calls())
        ++counts[call.method];
    std::string text = std::to_string(plan.calls().size()) + " calls (";
    bool first = true;
    for (const auto& [method, count] : counts) {
        text += (first ? "" : ", ") + method + " " + std::to_string(count);
        first = false;
    }
    return text + ")";
}

int countNodes(const QTreeWidgetItem* node) {
    int count = 1;
    for (int i = 0; i < node->childCount(); ++i)
        count += countNodes(node->child(i));
    return count;
}

void run(const Scratch& scratch, int width) {
    std::printf("Add-project dialog on %d x %d projects\n", width, width);
    VssDatabase real = buildTree(scratch.root() / "db", scratch.root() / "files", width);
    auto plan = std::make_shared<testenv::FaultPlan>();
    const VssDatabase database(testenv::wrapDatabase(real.raw(), plan));
    const std::string projectFile = (scratch.root() / "Demo" / "Demo.dpr").string();

    // Opening on the server's own object, as the add-in does: best, median and worst of nine.
    constexpr int kOpenings = 9;
    bench::Timings opening;
    int nodes = 0;
    for (int i = 0; i < kOpenings; ++i) {
        const Stopwatch watch;
        TFormAddProject dialog(real, projectFile);
        opening.add(watch.ms());
        nodes = countNodes(dialog.TreeVProjects->topLevelItem(0));
    }
    std::printf("  opening: best %.1f ms, median %.1f ms, worst %.1f ms; %d nodes loaded\n",
                opening.best(), opening.median(), opening.worst(), nodes);
    // The same through the recording wrapper, for its calls.
    {
        plan->clearCalls();
        const TFormAddProject dialog(database, projectFile);
        std::printf("  opening's server calls: %d projects looked up; %s\n",
                    static_cast<int>(plan->callsOf("get_VSSItem").size()),
                    callSummary(*plan).c_str());
    }

    // Expanding P000 (width children, with sub-projects of their own one level down only).
    TFormAddProject dialog(database, projectFile);
    QTreeWidgetItem* top = dialog.TreeVProjects->topLevelItem(0)->child(0);
    for (int pass = 1; pass <= 2; ++pass) {
        plan->clearCalls();
        const Stopwatch watch;
        top->setExpanded(true);
        const double seconds = watch.seconds();
        std::printf("  expanding %s (%d children), pass %d: %.1f ms; %d projects looked up\n    "
                    "%s\n",
                    TProjectTree::NodePath(top).c_str(), top->childCount(), pass, seconds * 1000,
                    static_cast<int>(plan->callsOf("get_VSSItem").size()),
                    callSummary(*plan).c_str());
        top->setExpanded(false);
    }
}

} // namespace

int main(int argc, char** argv) {
    return bench::runProgram(argc, argv, "bench_add_project", [](int argc, char** argv) {
        const Scratch scratch("bench-add-project");
        ui::ScriptedDriver driver; // errors would be recorded, not shown
        run(scratch, std::max(1, bench::numberArgument(argc, argv, 1, 100)));
        if (!driver.errors().empty())
            throw std::runtime_error(driver.errors().front());
    });
}
