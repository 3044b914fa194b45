#include "settings/home_store.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "files/replacing_file.h"
#include "platform/files.h"
#include "platform/places.h"

namespace morvane {
namespace {

constexpr const char* kFileName = "user.ini";
constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

std::string ProgramDirectory() { return platform::ProgramFolder(); }
std::string ConfigDirectory() { return platform::ConfigFolder(); }

HomeStore HomeStore::ForThisProgram() {
  return Choose(ProgramDirectory(), ConfigDirectory(), MORVANE_INSTALLED_BINDIR);
}

HomeStore HomeStore::Choose(const std::string& programDir, const std::string& configDir,
                            const std::string& installedBinDir) {
  const bool installed = platform::IsInstalledFolder(programDir, installedBinDir);
  if (!installed && platform::IsWritableFolder(programDir)) return HomeStore(programDir + platform::kSeparator + kFileName);
  return HomeStore(configDir + platform::kSeparator + kFileName, programDir + platform::kSeparator + kFileName);
}

std::string HomeStore::readPath() const {
  // With neither file there, the one to name is where a save would go.
  if (fallback_.empty() || platform::Exists(save_) || !platform::Exists(fallback_)) return save_;
  return fallback_;
}

bool HomeStore::Read(HomeTable& table) const {
  // Non-blocking, so that opening a named pipe returns at once; the type is
  // checked before anything is read.
  const int fd = platform::OpenToRead(readPath(), true);
  if (fd < 0) return false;
  const auto st = platform::StatusOf(fd);
  if (!st || !st->regular) {
    close(fd);
    return false;
  }
  HomeFileParser parser(table);
  std::array<char, kReadChunk> chunk;
  for (;;) {
    const ssize_t n = read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // end, or a read error: what was read so far counts
    parser.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
  }
  close(fd);
  return parser.Finish();
}

std::optional<std::string> HomeStore::Write(const HomeTable& table) const {
  if (!fallback_.empty() && !platform::MakeFolders(DirectoryOf(save_)))
    return std::string("cannot create the folder: ") + std::strerror(errno);
  ReplacingFile file(save_);
  if (!file.Open() || !file.Write(FormatHomeFile(table)) || !file.Commit()) return file.error();
  return std::nullopt;
}

}  // namespace morvane
