// Showing a copy of a stored file to the user, as the share and history dialogs' View does.
#pragma once

#include <filesystem>
#include <string>

// A new private temporary file for a copy of the item named `name`, keeping its extension so
// that the desktop's program for it can be found.
std::filesystem::path NewViewCopyFile(const std::string& name);

// Opens the copy in the user's viewer (a text file) or the desktop's program for its type (a
// binary file); a program that cannot start is said in a message box with the caption.
void ShowViewCopy(const std::string& viewer, const std::string& file, bool binary,
                  const char* caption);
