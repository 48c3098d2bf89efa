// Finds, loads and unloads the version-control add-in: dlopen, INITVCS0013 once with the tool
// services, and on unload the client's Release before the library goes.
#pragma once

#include "ToolIntf.h"

#include <QString>

class AddinLoader {
public:
    AddinLoader() = default;
    ~AddinLoader();
    AddinLoader(const AddinLoader&) = delete;
    AddinLoader& operator=(const AddinLoader&) = delete;

    // The library to load: the registry's "VCSManager" value under the host's version-control
    // key, else libquillmoor.so beside the host program, else in ../lib (installed).
    static QString configuredLibrary();

    // Loads the library and asks it for its client. False on failure; error() says why.
    bool load(const QString& library, TIToolServices* toolServices);
    TIVCSClient* client() const { return client_; }
    const QString& library() const { return library_; }
    const QString& error() const { return error_; }

    // Releases the client. The library stays loaded until unloadLibrary, so that objects the
    // host still holds (notifiers) can be released first.
    void releaseClient();
    void unloadLibrary();

private:
    bool fail(const QString& why);

    void* handle_ = nullptr;
    TIVCSClient* client_ = nullptr;
    QString library_;
    QString error_;
};
