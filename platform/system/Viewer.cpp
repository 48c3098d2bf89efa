// Viewer start over the system's process start.
#include "Viewer.h"

#include "System.h"

#include <QProcess>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

namespace sys {

namespace {

// An options dialog's Browse writes the program's full path, blanks and all: such a text is
// one program, never a command line to split.
bool namesExecutableFile(const std::string& text) {
    struct stat status {};
    return !text.empty() && ::stat(text.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(text.c_str(), X_OK) == 0;
}

} // namespace

std::vector<std::string> viewerCommand(const std::string& viewer,
                                       const std::filesystem::path& file) {
    std::vector<std::string> argv;
    if (namesExecutableFile(viewer)) {
        argv.push_back(viewer);
    } else {
        for (const QString& word : QProcess::splitCommand(QString::fromStdString(viewer)))
            argv.push_back(word.toStdString());
    }
    if (argv.empty() || argv.front().empty())
        return {};
    argv.push_back(file.string());
    return argv;
}

void startViewer(const std::string& viewer, const std::filesystem::path& file) {
    const std::vector<std::string> argv = viewerCommand(viewer, file);
    if (argv.empty())
        throw SystemError("Cannot start a viewer: no viewer program is set");
    startProcess(argv);
}

} // namespace sys
