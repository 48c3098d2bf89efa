#include "ScriptHarness.h"

#include "TestEnvironment.h"

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
