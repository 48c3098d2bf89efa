// What the dialog benchmarks share: a program's main, a scratch world with its own registry, a
// fresh database opened through the server's factory as the add-in opens it, timings and their
// report against a goal, projects filled with generated files, and selecting a project in a
// window's tree.
#pragma once

#include "ScratchFolder.h"
#include "VssAutomation.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace bench {

// Runs `body` as a benchmark program: an offscreen Qt application with COM initialised around
// it. `body` gets the arguments Qt leaves; an error it raises is written as "<program>: <what>"
// and makes the exit status 1.
int runProgram(int argc, char** argv, const char* program,
               const std::function<void(int argc, char** argv)>& body);

// The number given as argument `index`, or `fallback` without one.
int numberArgument(int argc, char** argv, int index, int fallback);

class Stopwatch {
public:
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    double ms() const { return seconds() * 1000; }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Timings of repeated runs of one thing, in milliseconds; at least one is added before asking.
class Timings {
public:
    void add(double ms) { ms_.push_back(ms); }
    int count() const { return static_cast<int>(ms_.size()); }
    double best() const;
    double worst() const;
    double median() const; // the upper one of an even count

private:
    std::vector<double> ms_;
};

// The goal for filling a window's file list when the user selects a project of 10,000 files.
inline constexpr double kFileListGoalMs = 100;

// Prints "  <what>: best …, worst … of <count> (goal: under <goalMs> ms: met|MISSED)".
void printAgainstGoal(const char* what, const Timings& timings, double goalMs);

// A temporary folder "<name>-XXXXXX" holding the registry folder the process uses, with the
// server registered in it; removed at the end with everything in it (read-only files too).
class Scratch {
public:
    explicit Scratch(const std::string& name);
    const std::filesystem::path& root() const { return folder_.path(); }

private:
    ScratchFolder folder_;
};

// A new database in `folder` whose administrator is the logon user, made the default ($SSDIR)
// and opened as that user.
VssDatabase newDatabase(const std::filesystem::path& folder);

// Writes the files [from, to) named by `name` into `local` and adds them to the project, one Add
// each (the automation interface has no bulk add); returns the seconds taken.
double addFiles(const VssItem& project, const std::filesystem::path& local, int from, int to,
                std::string (*name)(int));

// Generated file names in the order they are added: "f000042.<extension>".
std::string numberedFile(int i, const char* extension);
// Unit files "f000042.pas".
std::string unitFile(int i);

// The child of a project tree node with this caption; raises std::runtime_error without one.
QTreeWidgetItem* childNode(QTreeWidgetItem* node, const char* text);

// What a timed click on a tree node lasts until: the click handled, or also the events it left
// (what it filled laid out and painted), those pending before it being handled untimed first.
enum class ClickUntil { Handled, Settled };
// Clicks the node as the user selects it; returns the milliseconds it took.
double clickNode(QTreeWidget* tree, QTreeWidgetItem* node, ClickUntil until);

} // namespace bench
