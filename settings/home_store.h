// Where user.ini lives, and reading and saving it safely. Standard C++ and
// POSIX, shared by the window program and morvane-cli.
#pragma once

#include <optional>
#include <string>

#include "settings/home_file.h"

namespace morvane {

class HomeStore {
 public:
  // One file for reading and saving: a copy of the program in a folder the
  // user can write keeps its user.ini beside it.
  explicit HomeStore(std::string path) : save_(std::move(path)) {}
  // Saves to configFile (creating its folder then, not before); reads
  // configFile when it exists, else fallbackFile, the one an administrator
  // may have put beside an installed program for every user.
  HomeStore(std::string configFile, std::string fallbackFile)
      : save_(std::move(configFile)), fallback_(std::move(fallbackFile)) {}

  // The choice for the running program. Chosen once per run.
  static HomeStore ForThisProgram();
  // Beside the program when its folder can be written and it is not the
  // folder the program is installed into (root can write /usr/bin, but an
  // installed copy must never keep user data there); otherwise the
  // configuration folder, falling back to the file beside the program.
  static HomeStore Choose(const std::string& programDir, const std::string& configDir,
                          const std::string& installedBinDir);

  const std::string& savePath() const { return save_; }
  // The file Read reads: configFile, or fallbackFile when only it exists.
  std::string readPath() const;

  // Refills the table from the file, read to its end in bounded memory. A
  // missing or unreadable file, one that is not a regular file (a named pipe
  // would block), an empty one or one without a complete group leaves the
  // table as it was. Returns whether the table was replaced.
  bool Read(HomeTable& table) const;

  // Writes a new file beside the old one and replaces it in one step once
  // every byte is on disk, so the previous file survives any failure.
  // Returns the reason on failure.
  std::optional<std::string> Write(const HomeTable& table) const;

 private:
  std::string save_;
  std::string fallback_;  // empty when reading and saving use one file
};

// The folder the running program was started from, and the user's
// configuration folder for Morvane ($XDG_CONFIG_HOME/morvane, or
// ~/.config/morvane).
std::string ProgramDirectory();
std::string ConfigDirectory();

}  // namespace morvane
