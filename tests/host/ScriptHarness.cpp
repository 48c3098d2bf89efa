#include "ScriptHarness.h"

#include <registry/Registry.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <chrono>
#include <sstream>

QList<QJsonObject> Transcript::all(const QString& type) const {
    QList<QJsonObject> result;
    for (const QJsonObject& event : events)
        if (event.value(QStringLiteral("type")).toString() == type)
            result.append(event);
    return result;
}

QJsonObject Transcript::first(const QString& type) const {
    const QList<QJsonObject> found = all(type);
    return found.isEmpty() ? QJsonObject() : found.first();
}

Transcript runScript(const std::string& script, const std::string& addin,
                     const std::map<std::string, std::string>& environment) {
    std::vector<std::string> argv{testenv::hostProgram().string(), "--script", "-"};
    if (addin.empty()) {
        argv.push_back("--no-addin");
    } else {
        argv.push_back("--addin");
        argv.push_back(addin);
    }
    return runHost(argv, script, environment);
}

Transcript runHost(const std::vector<std::string>& argv, const std::string& script,
                   const std::map<std::string, std::string>& environment) {
    std::map<std::string, std::string> env = environment;
    env["QT_QPA_PLATFORM"] = "offscreen";
    const auto started = std::chrono::steady_clock::now();
    const testenv::RunResult result = testenv::run(argv, script, env, 120);
    Transcript transcript;
    transcript.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    transcript.exitCode = result.exitCode;
    transcript.err = result.err;
    transcript.out = result.out;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
        if (document.isObject())
            transcript.events.append(document.object());
    }
    return transcript;
}

QList<int> menuStates(const QJsonObject& menu) {
    QList<int> out;
    for (const QJsonValue& entry : menu["entries"].toArray())
        out.append(entry.toObject()["state"].toInt());
    return out;
}

void AddinEndToEndTest::SetUp() {
    if (testenv::addinLibrary().empty() || !std::filesystem::exists(testenv::addinLibrary()))
        GTEST_SKIP() << "libquillmoor.so is not built";
    env.createDatabase("Main");
    env.ss({"register", "--name", "Main", "--current"});
    // No questions when a project is opened or left.
    reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "GetOnOpen", reg::Value::fromDword(0));
    reg::writeValue(reg::Root::CurrentUser, kOptionsKey, "CheckOnClose", reg::Value::fromDword(0));
    work = env.root() / "work";
    arrange();
}

void AddinEndToEndTest::writeProject(const std::vector<std::string>& units) {
    std::string uses;
    for (const std::string& unit : units) {
        env.write(work / (unit + ".pas"), "unit " + unit + ";\nend.\n");
        uses += (uses.empty() ? "\n  " : ",\n  ") + unit + " in '" + unit + ".pas'";
    }
    dpr = env.write(work / "Demo.dpr", "program Demo;\n\nuses" + uses + ";\n\nbegin\nend.\n");
}

void AddinEndToEndTest::placeUnderControl(const std::string& project,
                                          const std::vector<std::string>& files) {
    env.ss({"mkproj", project});
    env.ss({"workfold", project, work.string()});
    std::vector<std::string> add{"add", project};
    for (const std::string& name : files)
        add.push_back(file(name));
    env.ss(add);
}

void AddinEndToEndTest::demoUnderControl(const std::vector<std::string>& units) {
    writeProject(units);
    std::vector<std::string> files;
    for (const std::string& unit : units)
        files.push_back(unit + ".pas");
    placeUnderControl("$/Demo", files);
}

void AddinEndToEndTest::bind(const std::string& project) {
    env.write(work / "Delphi.Vss", project + "\r\n");
}

Transcript
AddinEndToEndTest::runWithAddin(const std::string& script,
                                const std::map<std::string, std::string>& environment) const {
    return runScript(script, testenv::addinLibrary().string(), environment);
}
