#include "AddinLoader.h"

#include "AddinCall.h"

#include <registry/Registry.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <dlfcn.h>

namespace {
constexpr char kVersionControlKey[] = "Software\\Borland\\Delphi\\3.0\\Version Control";
constexpr char kManagerValue[] = "VCSManager";
constexpr char kDefaultLibrary[] = "libquillmoor.so";
} // namespace

AddinLoader::~AddinLoader() {
    releaseClient();
    unloadLibrary();
}

QString AddinLoader::configuredLibrary() {
    try {
        const auto value =
            reg::readValue(reg::Root::CurrentUser, kVersionControlKey, kManagerValue);
        if (value && value->type != reg::ValueType::Dword && !value->text.empty())
            return QString::fromStdString(value->text);
    } catch (const reg::RegistryError&) {
        // An unreadable hive names no add-in: fall back to the one built beside the host.
    }
    // Beside the host in a build; in ../lib when installed.
    const QDir programs(QCoreApplication::applicationDirPath());
    const QString beside = programs.filePath(QString::fromLatin1(kDefaultLibrary));
    const QString installed =
        QDir::cleanPath(programs.filePath(QStringLiteral("../lib/") + kDefaultLibrary));
    return !QFile::exists(beside) && QFile::exists(installed) ? installed : beside;
}

bool AddinLoader::fail(const QString& why) {
    error_ = why;
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
    return false;
}

bool AddinLoader::load(const QString& library, TIToolServices* toolServices) {
    library_ = library;
    error_.clear();
    handle_ = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        return fail(QStringLiteral("Cannot load the add-in %1: %2")
                        .arg(library, QString::fromLocal8Bit(dlerror())));
    dlerror();
    auto init = reinterpret_cast<TVCSManagerInitProc>(dlsym(handle_, kVcsInitSymbol));
    if (init == nullptr)
        return fail(QStringLiteral("The add-in %1 does not export %2.")
                        .arg(library, QString::fromLatin1(kVcsInitSymbol)));
    TIVCSClient* client = nullptr;
    if (const auto error = callAddin([&] { client = init(toolServices); }))
        return fail(QStringLiteral("The add-in %1 failed to start: %2").arg(library, *error));
    if (client == nullptr)
        return fail(QStringLiteral("The add-in %1 returned no client.").arg(library));
    client_ = client;
    return true;
}

void AddinLoader::releaseClient() {
    if (client_ != nullptr) {
        TIVCSClient* client = client_;
        client_ = nullptr;
        client->Release();
    }
}

void AddinLoader::unloadLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}
