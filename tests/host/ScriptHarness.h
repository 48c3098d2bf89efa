// Runs idehost --script as a child process and reads its JSON-lines transcript; the fixture of
// the tests that run the real add-in in it.
#pragma once

#include "TestEnvironment.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

struct Transcript {
    int exitCode = -1;
    double seconds = 0;
    QList<QJsonObject> events;
    std::string err;
    std::string out;

    QList<QJsonObject> all(const QString& type) const;
    // The first event of the type (an empty object when there is none).
    QJsonObject first(const QString& type) const;
};

// Runs the script (read from standard input) with the given add-in (empty: --no-addin).
// Scripts name files by absolute paths, since the child starts in the test's folder.
Transcript runScript(const std::string& script, const std::string& addin,
                     const std::map<std::string, std::string>& environment = {});
// Runs a host program with its arguments, feeding the script on standard input.
Transcript runHost(const std::vector<std::string>& argv, const std::string& script,
                   const std::map<std::string, std::string>& environment = {});

// Where the add-in keeps its options for the current user.
inline constexpr char kOptionsKey[] = "Software\\Borland\\Delphi\\3.0\\Version Control";

// Each entry's state in a "menu" event, in menu order.
QList<int> menuStates(const QJsonObject& menu);

// The real add-in in the real host, against a fresh registry and a fresh database "Main" that is
// registered as the current one; no questions when a project is opened or left. Skips when the
// add-in is not built.
class AddinEndToEndTest : public ::testing::Test {
protected:
    void SetUp() final;
    // What a test suite adds to that world before each test.
    virtual void arrange() {}

    // Writes each unit ("Unit1": Unit1.pas) into `work` and the program Demo.dpr using them.
    void writeProject(const std::vector<std::string>& units);
    // Makes the SourceSafe project, its working folder `work`, and adds these files of it.
    void placeUnderControl(const std::string& project, const std::vector<std::string>& files);
    // Demo.dpr with these units, its units under control in $/Demo.
    void demoUnderControl(const std::vector<std::string>& units);
    // Writes the binding file naming the project.
    void bind(const std::string& project);
    std::string file(const std::string& name) const { return (work / name).string(); }
    // Runs the script with the add-in loaded.
    Transcript runWithAddin(const std::string& script,
                            const std::map<std::string, std::string>& environment = {}) const;

    testenv::TestEnvironment env;
    std::filesystem::path work;
    std::filesystem::path dpr;
};
