#include "files/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <cstring>
#include <vector>

namespace morvane {
namespace {


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

// The descriptor a name stands for when it is one of the system's names for
// an open descriptor (/dev/stdout, /dev/fd/N, /proc/self/fd/N): opening such
// a name anew would lose the descriptor's offset and append mode, and
// replacing it would replace whatever file the shell opened.
std::optional<int> DescriptorNamed(const std::string& path) {
  if (path == "/dev/stdin") return 0;
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  const std::string self = "/proc/" + std::to_string(getpid()) + "/fd/";
  for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/", self.c_str()}) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string n = path.substr(prefix.size());
    if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoi(n);
  }
  return std::nullopt;
}

// Extended attributes of the old file, POSIX ACLs among them (they are the
// system.posix_acl_access attribute), put on the new one. Only ACLs and user
// attributes must come across; others (security labels) are the system's
// to set and are kept where allowed.
bool CopyExtendedAttributes(const std::string& from, int to) {
  ssize_t size = llistxattr(from.c_str(), nullptr, 0);
  if (size < 0) return errno == ENOTSUP;  // a file system without them has none to keep
  std::vector<char> names(static_cast<std::size_t>(size) + 1);
  size = llistxattr(from.c_str(), names.data(), names.size() - 1);
  if (size < 0) return false;
  std::vector<char> value;
  for (const char* name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
    const bool needed = std::strncmp(name, "user.", 5) == 0 || std::strncmp(name, "system.posix_acl", 16) == 0;
    const ssize_t n = lgetxattr(from.c_str(), name, nullptr, 0);
    if (n >= 0) {
      value.resize(static_cast<std::size_t>(n) + 1);
      const ssize_t got = lgetxattr(from.c_str(), name, value.data(), value.size() - 1);
      if (got >= 0 && fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0) == 0) continue;
    }
    if (needed) return false;
  }
  return true;
}

}  // namespace

const FileCalls kSystemFileCalls = {::write, ::fsync, ::close};

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// The path with its folder's links resolved, for a file that may not exist.
std::string Resolved(const std::string& path) {
  if (char* whole = realpath(path.c_str(), nullptr)) {
    std::string r(whole);
    std::free(whole);
    return r;
  }
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char* folder = realpath(DirectoryOf(path).c_str(), nullptr);
  if (!folder) return path;
  std::string r = std::string(folder) + "/" + name;
  std::free(folder);
  return r;
}

}  // namespace

bool NamesSameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return Resolved(a) == Resolved(b);
}

void ReplacingFile::RemoveTemporary() { unlink(temp_.c_str()); }

bool ReplacingFile::Open() {
  if (const std::optional<int> descriptor = DescriptorNamed(target_)) {
    if (!rules_.writeThroughSpecialFiles) {
      error_ = "not a regular file";
      return false;
    }
    fd_ = fcntl(*descriptor, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) return Fail("cannot write");
    direct_ = true;
    return true;
  }
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
  // Last, since an ACL sets the group permission bits as its mask.
  if (exists && !CopyExtendedAttributes(target_, fd_)) return Fail("cannot keep its access control list or extended attributes");
  return true;
}

bool ReplacingFile::SwapIn() {
  if (rename(temp_.c_str(), target_.c_str()) != 0) return Fail("cannot replace the file");
  // Makes the rename itself durable; the new file is in place either way.
  const int dir = open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace morvane
