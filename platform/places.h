// Where things are, the same on every system: the program's own folder,
// the user's configuration folder, and what can be done in a folder.
// places_posix.cpp and places_windows.cpp are the two halves.
#pragma once

#include <string>

namespace morvane::platform {

// Between a folder and a name in paths shown to the user.
extern const char kSeparator;

// The folder the running program was started from.
std::string ProgramFolder();
// The user's configuration folder for Morvane: $XDG_CONFIG_HOME/morvane or
// ~/.config/morvane; %APPDATA%\morvane on Windows.
std::string ConfigFolder();
// Whether programFolder is where the system installs programs (the
// build's installed bindir; Program Files on Windows), which never keeps
// user data even when it can be written (by root, or an administrator).
bool IsInstalledFolder(const std::string& programFolder, const std::string& installedBinDir);
// Whether a folder exists and this user can make files in it.
bool IsWritableFolder(const std::string& path);
bool Exists(const std::string& path);
// mkdir -p, private to the user as a configuration folder should be;
// false with errno set.
bool MakeFolders(const std::string& path);

}  // namespace morvane::platform
