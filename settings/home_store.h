// Where user.ini lives, and reading and saving it safely.
#pragma once

#include <QString>
#include <optional>

#include "settings/home_file.h"

namespace morvane {

class HomeStore {
 public:
  explicit HomeStore(QString path) : path_(std::move(path)) {}

  // Beside the program when its directory can be written; otherwise (an
  // installed copy under /usr) in the user's configuration directory. Chosen
  // once per run by the caller and used for reading and writing alike.
  static HomeStore ForThisProgram();
  // The same choice for given directories.
  static HomeStore Choose(const QString& programDir, const QString& configDir);

  const QString& path() const { return path_; }

  // Refills the table from the file. A missing, unreadable or empty file, or
  // one without a complete group, leaves the table as it was.
  void Read(HomeTable& table) const;

  // Writes a new file beside the old one and replaces it in one step, so the
  // previous file survives any failure. Returns the reason on failure.
  std::optional<QString> Write(const HomeTable& table) const;

 private:
  QString path_;
};

}  // namespace morvane
