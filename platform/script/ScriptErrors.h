// How a script line can go wrong: a script error (a bad line, a missing control or window:
// exit code 2) or a failed expectation about what the host or the add-in shows (exit code 1).
#pragma once

#include <stdexcept>

class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ScriptFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
