// Points the registry stand-in at a fresh temporary folder for one test and puts the previous
// folder back afterwards.
#pragma once

#include <registry/Registry.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace platformtest {

class RegistryFolder {
public:
    RegistryFolder() {
        if (const char* old = std::getenv(reg::kFolderVariable))
            saved_ = old;
        ::setenv(reg::kFolderVariable, folder().c_str(), 1);
    }
    ~RegistryFolder() {
        if (saved_)
            ::setenv(reg::kFolderVariable, saved_->c_str(), 1);
        else
            ::unsetenv(reg::kFolderVariable);
    }
    RegistryFolder(const RegistryFolder&) = delete;
    RegistryFolder& operator=(const RegistryFolder&) = delete;

    // The scratch folder of the test; the hives live in its "registry" subfolder.
    std::filesystem::path root() const { return dir_.path().toStdString(); }
    std::filesystem::path folder() const { return root() / "registry"; }

private:
    QTemporaryDir dir_;
    std::optional<std::string> saved_;
};

} // namespace platformtest
