// The server's failures. Raised where a call fails; the COM boundary turns them into a status
// and the error description.
#pragma once

#include <com/Com.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace vss::server {

class VssError : public std::runtime_error {
public:
    explicit VssError(const std::string& message, com::HRESULT status = com::E_FAIL)
        : std::runtime_error(message), status_(status) {}
    com::HRESULT status() const { return status_; }

private:
    com::HRESULT status_;
};

// An argument that can never be right (a malformed spec or name, a null pointer).
inline VssError invalidArgument(const std::string& message) {
    return VssError(message, com::E_INVALIDARG);
}

// Runs one interface call: clears the error info, and turns any exception into a failing
// status with its message as the error description.
com::HRESULT guardCall(const std::function<void()>& body);

// Raises for a missing out-parameter, inside guardCall.
template <class T> void requireOut(T* out) {
    if (out == nullptr)
        throw VssError("A result pointer is missing.", com::E_POINTER);
}

// "'text'" for quoting names and paths in messages.
std::string quote(const std::string& text);

} // namespace vss::server
