// Class creation: in-process factories first, then the server library the registry names.
#include "Com.h"

#include <registry/Registry.h>

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <mutex>

namespace com {

namespace {

constexpr HRESULT REGDB_E_READREGDB = makeStatus(0x80040150u);

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const {
        if (a.data1 != b.data1)
            return a.data1 < b.data1;
        if (a.data2 != b.data2)
            return a.data2 < b.data2;
        if (a.data3 != b.data3)
            return a.data3 < b.data3;
        for (int i = 0; i < 8; ++i)
            if (a.data4[i] != b.data4[i])
                return a.data4[i] < b.data4[i];
        return false;
    }
};

std::mutex factoriesMutex;
std::map<GUID, InProcessFactory, GuidLess>& factories() {
    static std::map<GUID, InProcessFactory, GuidLess> map;
    return map;
}

std::mutex librariesMutex;
// Loaded server libraries by path. They stay loaded: objects they made may outlive any caller.
std::map<std::string, void*>& libraries() {
    static std::map<std::string, void*> map;
    return map;
}

std::string serverKey(const CLSID& clsid) {
    return "CLSID\\" + formatGuid(clsid) + "\\InprocServer32";
}

std::u16string text(const std::string& s) {
    return widen(s);
}

std::string statusText(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(hr));
    return buffer;
}

std::optional<InProcessFactory> inProcessFactory(const CLSID& clsid) {
    std::lock_guard lock(factoriesMutex);
    const auto it = factories().find(clsid);
    if (it == factories().end())
        return std::nullopt;
    return it->second;
}

// Returns the handle, or nullptr with the loader's reason.
void* loadLibrary(const std::string& path, std::string& reason) {
    {
        std::lock_guard lock(librariesMutex);
        const auto it = libraries().find(path);
        if (it != libraries().end())
            return it->second;
    }
    // Loaded outside the lock: the library's initialisers may call back into this module, and
    // loading the same path twice yields the same handle anyway.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        reason = error ? error : "unknown error";
        return nullptr;
    }
    std::lock_guard lock(librariesMutex);
    libraries().emplace(path, handle);
    return handle;
}

// The registered library path of the class; on failure sets the error info and returns nullopt.
std::optional<std::string> registeredLibrary(const CLSID& clsid, HRESULT& hr) {
    const std::string key = serverKey(clsid);
    std::optional<reg::Value> value;
    try {
        value = reg::readValue(reg::Root::ClassesRoot, key, "");
    } catch (const reg::RegistryError& e) {
        hr = reportError(REGDB_E_READREGDB, text("Cannot read the registration of class " +
                                                 formatGuid(clsid) + ": " + e.what()));
        return std::nullopt;
    }
    if (!value || value->type == reg::ValueType::Dword || value->text.empty()) {
        hr = reportError(REGDB_E_CLASSNOTREG,
                         text("Class " + formatGuid(clsid) +
                              " is not registered (no HKEY_CLASSES_ROOT\\" + key + ")"));
        return std::nullopt;
    }
    return value->text;
}

HRESULT createFromLibrary(const CLSID& clsid, const IID& iid, void** out) {
    HRESULT hr = S_OK;
    const std::optional<std::string> path = registeredLibrary(clsid, hr);
    if (!path)
        return hr;
    std::string reason;
    void* handle = loadLibrary(*path, reason);
    if (handle == nullptr)
        return reportError(CO_E_DLLNOTFOUND,
                           text("Cannot load the server library " + *path + " of class " +
                                formatGuid(clsid) + ": " + reason));
    auto factory = reinterpret_cast<FactoryFunction>(dlsym(handle, kFactorySymbol));
    if (factory == nullptr)
        return reportError(CO_E_ERRORINDLL, text("The server library " + *path +
                                                 " does not export " + kFactorySymbol));
    clearErrorInfo();
    hr = factory(&clsid, &iid, out);
    if (failed(hr)) {
        std::optional<std::u16string> description = takeErrorInfo();
        if (!description || description->empty())
            description = text("The server library " + *path + " could not create class " +
                               formatGuid(clsid) + " (status " + statusText(hr) + ")");
        if (*out != nullptr)
            *out = nullptr; // a failing factory hands out nothing
        return reportError(hr, std::move(*description));
    }
    return hr;
}

} // namespace

HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** out) {
    if (out == nullptr)
        return reportError(E_POINTER, u"CoCreateInstance was given no place for the object");
    *out = nullptr;
    if (!isInitialized())
        return reportError(CO_E_NOTINITIALIZED,
                           text("CoInitialize has not been called on this thread (creating class " +
                                formatGuid(clsid) + ")"));
    HRESULT hr;
    if (std::optional<InProcessFactory> factory = inProcessFactory(clsid)) {
        clearErrorInfo();
        hr = (*factory)(iid, out);
        if (failed(hr)) {
            std::optional<std::u16string> description = takeErrorInfo();
            if (!description || description->empty())
                description = text("Class " + formatGuid(clsid) + " could not be created (status " +
                                   statusText(hr) + ")");
            *out = nullptr;
            return reportError(hr, std::move(*description));
        }
    } else {
        hr = createFromLibrary(clsid, iid, out);
        if (failed(hr))
            return hr;
    }
    if (*out == nullptr)
        return reportError(E_UNEXPECTED, text("The factory of class " + formatGuid(clsid) +
                                              " reported success but gave no object"));
    return hr;
}

void registerInProcessFactory(const CLSID& clsid, InProcessFactory factory) {
    std::lock_guard lock(factoriesMutex);
    factories()[clsid] = std::move(factory);
}

void unregisterInProcessFactory(const CLSID& clsid) {
    std::lock_guard lock(factoriesMutex);
    factories().erase(clsid);
}

void registerServerLibrary(const CLSID& clsid, const std::string& libraryPath) {
    const std::string key = serverKey(clsid);
    reg::writeValue(reg::Root::ClassesRoot, key, "", reg::Value::fromString(libraryPath));
    reg::writeValue(reg::Root::ClassesRoot, key, "ThreadingModel",
                    reg::Value::fromString("Apartment"));
}

} // namespace com
