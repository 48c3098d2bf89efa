// Per-thread COM state: the initialisation count and the error-info object.
#include "Com.h"

namespace com {

namespace {

struct ThreadState {
    int initCount = 0;
    std::optional<std::u16string> errorInfo;
};

ThreadState& threadState() {
    thread_local ThreadState state;
    return state;
}

} // namespace

HRESULT CoInitialize() {
    return threadState().initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    ThreadState& state = threadState();
    if (state.initCount > 0 && --state.initCount == 0)
        state.errorInfo.reset();
}

bool isInitialized() {
    return threadState().initCount > 0;
}

void setErrorInfo(std::u16string description) {
    threadState().errorInfo = std::move(description);
}

void clearErrorInfo() {
    threadState().errorInfo.reset();
}

std::optional<std::u16string> takeErrorInfo() {
    return std::exchange(threadState().errorInfo, std::nullopt);
}

HRESULT reportError(HRESULT hr, std::u16string description) {
    setErrorInfo(std::move(description));
    return hr;
}

} // namespace com
