#include "settings/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace morvane {
namespace {

constexpr FileCalls kSystemCalls = {::write, ::fsync, ::close};
const FileCalls* calls = &kSystemCalls;

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Follows symbolic links to the file they finally name, which may not exist
// yet. Empty (errno set) on a loop or an unreadable link.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> link(PATH_MAX + 1);
    const ssize_t n = readlink(path.c_str(), link.data(), link.size() - 1);
    if (n < 0) return {};
    const std::string to(link.data(), static_cast<std::size_t>(n));
    path = to[0] == '/' ? to : DirectoryOf(path) + "/" + to;
  }
  errno = ELOOP;
  return {};
}

}  // namespace

void SetFileCallsForTesting(const FileCalls* replacement) { calls = replacement ? replacement : &kSystemCalls; }

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) unlink(temp_.c_str());
}

bool ReplacingFile::Fail(const char* step) {
  error_ = std::string(step) + ": " + std::strerror(errno);
  return false;
}

bool ReplacingFile::Open() {
  const std::string resolved = FollowLinks(target_);
  if (resolved.empty()) return Fail("cannot follow the link");
  target_ = resolved;
  struct stat old {};
  const bool exists = stat(target_.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) {
    errno = EISDIR;
    return Fail("cannot write");
  }
  if (exists && !S_ISREG(old.st_mode)) {
    if (!rules_.writeThroughSpecialFiles) {
      error_ = "not a regular file";
      return false;
    }
    // A device or a pipe is not ours to replace: write into it.
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) return Fail("cannot open");
    direct_ = true;
    return true;
  }
  if (exists && old.st_nlink > 1 && rules_.refuseHardLinks) {
    error_ = "it has " + std::to_string(old.st_nlink) +
             " hard links, and replacing it would split them";
    return false;
  }
  // Hidden, short (so any file name leaves room for it), and in the same
  // directory so that the rename stays on one file system and is atomic.
  std::string name = DirectoryOf(target_) + "/.morvane-XXXXXX";
  fd_ = mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) return Fail("cannot create a file beside it");
  temp_ = name;
  if (exists) {
    // Root replacing someone's file hands it back to them; for anyone else
    // this either keeps what is there or fails harmlessly.
    if (fchown(fd_, old.st_uid, old.st_gid) != 0 && geteuid() == 0) return Fail("cannot keep its owner");
  }
  // After fchown, which may clear set-id bits.
  if (fchmod(fd_, exists ? (old.st_mode & 07777) : NewFileMode()) != 0) return Fail("cannot set its permissions");
  return true;
}

bool ReplacingFile::Write(std::string_view bytes) {
  if (fd_ < 0) {
    error_ = "not open";
    return false;
  }
  while (!bytes.empty()) {
    const ssize_t n = calls->write(fd_, bytes.data(), bytes.size());
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
  const int fd = fd_;
  fd_ = -1;
  if (direct_) {
    committed_ = true;
    return calls->close(fd) == 0 || Fail("write failed");
  }
  if (calls->fsync(fd) != 0) {
    Fail("write failed");
    ::close(fd);
    return false;
  }
  if (calls->close(fd) != 0) return Fail("write failed");
  if (rename(temp_.c_str(), target_.c_str()) != 0) return Fail("cannot replace the file");
  committed_ = true;
  // Makes the rename itself durable; the new file is in place either way.
  const int dir = open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace morvane
