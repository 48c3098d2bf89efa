// Calls into the add-in. An error that leaves the add-in must not unwind through Qt's event
// loop: it is caught here and handed back as the text the user is shown.
#pragma once

#include <QString>
#include <functional>
#include <optional>

// Runs the call; returns the error's message when it raised one.
std::optional<QString> callAddin(const std::function<void()>& call);
