#include "settings/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace morvane {
namespace {

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !temp_.empty()) unlink(temp_.c_str());
}

bool ReplacingFile::Fail(const char* step) {
  error_ = std::string(step) + ": " + std::strerror(errno);
  return false;
}

bool ReplacingFile::Open() {
  // Hidden, and in the same directory so that the rename stays on one file
  // system and is atomic.
  std::string name = DirectoryOf(target_) + "/." + NameOf(target_) + ".XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  fd_ = mkostemp(buffer.data(), O_CLOEXEC);
  if (fd_ < 0) return Fail("cannot create a file beside it");
  temp_ = buffer.data();
  struct stat old {};
  const mode_t mode = stat(target_.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
  if (fchmod(fd_, mode) != 0) return Fail("cannot set its permissions");
  return true;
}

bool ReplacingFile::Write(std::string_view bytes) {
  if (fd_ < 0) {
    error_ = "not open";
    return false;
  }
  while (!bytes.empty()) {
    const ssize_t n = write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail("write failed");
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool ReplacingFile::Commit() {
  if (fd_ < 0) {
    error_ = "not open";
    return false;
  }
  if (fsync(fd_) != 0) return Fail("write failed");
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return Fail("write failed");
  if (rename(temp_.c_str(), target_.c_str()) != 0) return Fail("cannot replace the file");
  committed_ = true;
  // Makes the rename itself durable; the new file is in place either way.
  const int dir = open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

}  // namespace morvane
