#include "platform/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace morvane::platform {
namespace {

FileStatus From(const struct stat& st) {
  FileStatus s;
  s.regular = S_ISREG(st.st_mode);
  s.directory = S_ISDIR(st.st_mode);
  s.pipe = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.modifiedNs = std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
  s.device = static_cast<std::uint64_t>(st.st_dev);
  s.index = static_cast<std::uint64_t>(st.st_ino);
  s.links = static_cast<std::uint64_t>(st.st_nlink);
  return s;
}

}  // namespace

int OpenToRead(const std::string& path, bool nonBlocking) {
  return open(path.c_str(), O_RDONLY | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0));
}

std::optional<FileStatus> StatusOf(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return std::nullopt;
  return From(st);
}

std::optional<FileStatus> StatusOfPath(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return From(st);
}

long long ReadAt(int fd, char* buffer, std::size_t n, std::uint64_t offset) {
  return pread(fd, buffer, n, static_cast<off_t>(offset));
}

int ScratchFile(std::string& folder) {
  const char* dir = std::getenv("TMPDIR");
  folder = dir && *dir ? dir : "/tmp";
  std::string path = folder + "/morvane-XXXXXX";
  const int fd = mkostemp(path.data(), O_CLOEXEC);
  if (fd >= 0) unlink(path.c_str());
  return fd;
}

bool IsTerminal(int fd) { return isatty(fd) == 1; }

bool InputWouldWait(int fd) {
  pollfd ready{fd, POLLIN, 0};
  return poll(&ready, 1, 0) == 0;
}

bool ReaderGone(int fd) {
  pollfd p{fd, 0, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP)) != 0;
}

int WriteError() { return errno; }

void SetUpStandardStreams() {}

std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::path(utf8); }
std::string TextOf(const std::filesystem::path& path) { return path.string(); }

}  // namespace morvane::platform
