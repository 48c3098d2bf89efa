// The tool's entry: global options, help, dispatch to a command and the exit code.
#pragma once

namespace ss {

// 0 success, 1 a refused operation, 2 bad usage; errors go to standard error in one line.
int runTool(int argc, char** argv);

} // namespace ss
