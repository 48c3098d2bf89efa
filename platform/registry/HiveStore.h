// Reading and writing hive files: reads see the file as last written (parsed again only when
// its identity changed); writes lock, re-read, apply and replace the file atomically.
#pragma once

#include "Hive.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace reg::detail {

// The hive of a physical root (CurrentUser or LocalMachine). A missing file is an empty hive.
std::shared_ptr<const Hive> loadHive(Root root);

// Applies `change` to the current hive under the hive's lock; `change` returns whether it
// changed anything, and only then is the file written.
void modifyHive(Root root, const std::function<bool(Hive&)>& change);

// Writes a file atomically with mode 0600; raises RegistryError naming it (`what` says what it
// is, "the registry hive", "the file").
void saveFile(const std::filesystem::path& file, const std::string& text, const char* what);

} // namespace reg::detail
