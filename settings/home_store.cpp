#include "settings/home_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "files/replacing_file.h"

namespace morvane {
namespace {

constexpr const char* kFileName = "/user.ini";
constexpr std::size_t kReadChunk = 64 * 1024;

std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool IsWritableDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(path.c_str(), W_OK) == 0;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// mkdir -p, private to the user as the configuration folder should be.
bool MakeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

std::string ProgramDirectory() {
  std::array<char, PATH_MAX> buffer{};
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  return DirectoryOf(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

std::string ConfigDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/morvane";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* pw = getpwuid(getuid());
    home = pw ? pw->pw_dir : "/tmp";
  }
  return std::string(home) + "/.config/morvane";
}

HomeStore HomeStore::ForThisProgram() {
  return Choose(ProgramDirectory(), ConfigDirectory(), MORVANE_INSTALLED_BINDIR);
}

HomeStore HomeStore::Choose(const std::string& programDir, const std::string& configDir,
                            const std::string& installedBinDir) {
  const bool installed = Canonical(programDir) == Canonical(installedBinDir);
  if (!installed && IsWritableDirectory(programDir)) return HomeStore(programDir + kFileName);
  return HomeStore(configDir + kFileName, programDir + kFileName);
}

std::string HomeStore::readPath() const {
  // With neither file there, the one to name is where a save would go.
  if (fallback_.empty() || Exists(save_) || !Exists(fallback_)) return save_;
  return fallback_;
}

bool HomeStore::Read(HomeTable& table) const {
  // Non-blocking, so that opening a named pipe returns at once; the type is
  // checked before anything is read.
  const int fd = open(readPath().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
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
  if (!fallback_.empty() && !MakeDirectories(DirectoryOf(save_)))
    return std::string("cannot create the folder: ") + std::strerror(errno);
  ReplacingFile file(save_);
  if (!file.Open() || !file.Write(FormatHomeFile(table)) || !file.Commit()) return file.error();
  return std::nullopt;
}

}  // namespace morvane
