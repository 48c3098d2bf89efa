// The library's one export and its load-time set-up.
#include "TVcs.h"

#include <com/Com.h>
#include <ui/Application.h>

#include <stdexcept>

namespace {

// SourceSafe automation needs COM on the loading thread (the host's user-interface thread);
// unloading the library gives that count back.
bool comInitialized = false;

__attribute__((constructor)) void initializeCom() {
    comInitialized = com::succeeded(com::CoInitialize());
}

__attribute__((destructor)) void uninitializeCom() {
    if (comInitialized)
        com::CoUninitialize();
}

} // namespace

extern "C" __attribute__((visibility("default"))) TIVCSClient*
INITVCS0013(TIToolServices* toolServices) {
    if (toolServices == nullptr)
        throw std::invalid_argument("INITVCS0013 needs the host's tool services");
    // Every dialog and message box of the add-in is owned by the host's main window.
    ui::Application::instance().adoptMainWindow(toolServices->GetParentHandle());
    return new TVcsManager(toolServices);
}
