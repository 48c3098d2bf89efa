// One dialog run in a process of its own, so that its memory is its own: opens the database,
// builds the dialog, shows it, selects the first `count` entries of its list, and times the
// press of OK. Prints one line: "<seconds> <peak KiB> <resident KiB before the run> <CPU
// seconds of the run>".
#pragma once

#include <string>

namespace runs {

// kind: get, checkout, checkin or undo. Returns the exit code.
int runDialog(const std::string& kind, const std::string& ini, const std::string& project,
              int count, int argc, char** argv);

} // namespace runs
