#include "files/replacing_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morvane {
namespace {

const FileCalls* calls = &kSystemFileCalls;

}  // namespace

void SetFileCallsForTesting(const FileCalls* replacement) { calls = replacement ? replacement : &kSystemFileCalls; }

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) RemoveTemporary();
}

bool ReplacingFile::Fail(const char* step) {
  error_ = std::string(step) + ": " + std::strerror(errno);
  return false;
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
  if (!SwapIn()) return false;
  committed_ = true;
  return true;
}

}  // namespace morvane
