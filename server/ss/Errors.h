// The two ways a command fails, which the tool turns into its exit codes: bad usage (2) and a
// refused operation (1).
#pragma once

#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <string>

namespace ss {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class RefusedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// Writes "ss: message" to standard error as one line, whatever the server put into it.
inline void printError(std::string message) {
    std::replace_if(
        message.begin(), message.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    std::cerr << "ss: " << message << std::endl;
}

} // namespace ss
