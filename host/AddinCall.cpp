#include "AddinCall.h"

#include <exception>

std::optional<QString> callAddin(const std::function<void()>& call) {
    try {
        call();
        return std::nullopt;
    } catch (const std::exception& error) {
        return QString::fromStdString(error.what());
    } catch (...) {
        return QStringLiteral("The add-in raised an error that is not a std::exception.");
    }
}
