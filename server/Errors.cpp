#include "Errors.h"

#include <new>

namespace vss::server {

com::HRESULT guardCall(const std::function<void()>& body) {
    try {
        com::clearErrorInfo();
        body();
        return com::S_OK;
    } catch (const VssError& e) {
        return com::reportError(e.status(), com::widen(e.what()));
    } catch (const std::bad_alloc&) {
        return com::reportError(com::E_OUTOFMEMORY, u"Out of memory.");
    } catch (const std::exception& e) {
        return com::reportError(com::E_FAIL, com::widen(e.what()));
    } catch (...) {
        return com::reportError(com::E_UNEXPECTED, u"Unexpected internal failure.");
    }
}

std::string quote(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace vss::server
