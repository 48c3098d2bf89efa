// Starting the viewer program on a file, with no shell.
//
//   sys::startViewer(settings.Viewer, "/home/ann/.cache/VssTmp3.pas"); // raises SystemError
//
// A viewer text that names an existing executable file as a whole ("/opt/My Tools/view") is
// that program; any other text is split into a program and its arguments the way Qt splits a
// command line (double quotes group words, "emacs -nw" is two words). The file is appended as
// one argument, so blanks in its path are safe. The viewer is started detached.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sys {

// The argument vector that startViewer runs; empty when the viewer text names no program.
std::vector<std::string> viewerCommand(const std::string& viewer,
                                       const std::filesystem::path& file);

// Starts the viewer on the file and does not wait for it. Raises SystemError when there is no
// program to run or it cannot be started.
void startViewer(const std::string& viewer, const std::filesystem::path& file);

} // namespace sys
