// Points the registry stand-in at a fresh temporary folder for one test and puts the previous
// folder back afterwards; helpers for the files of registry tests.
#pragma once

#include <registry/Registry.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
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

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// Expects `call` to raise a RegistryError whose message holds every one of `parts`.
template <class Call> void expectError(Call call, std::initializer_list<std::string> parts) {
    try {
        call();
        ADD_FAILURE() << "no RegistryError";
    } catch (const reg::RegistryError& e) {
        for (const std::string& part : parts)
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos)
                << "\"" << part << "\" not in: " << e.what();
    }
}

} // namespace platformtest
