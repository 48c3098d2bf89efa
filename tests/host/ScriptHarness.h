// Runs idehost --script as a child process and reads its JSON-lines transcript.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
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
