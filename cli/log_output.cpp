#include "cli/log_output.h"

#include <unistd.h>

#include <cerrno>
#include <vector>
#include <cstring>

#include "platform/signals.h"

namespace morvane::cli {
namespace {
constexpr std::size_t kBlock = 1 << 20;
// Pieces read stay within the processor's second-level cache while they are
// scanned and copied on.
constexpr std::size_t kReadBytes = 128 << 10;
}

bool ReadChunks(int fd, const std::string& name, const std::function<char*(std::size_t)>& room,
                const std::function<bool(std::size_t)>& took) {
  for (;;) {
    const ssize_t n = read(fd, room(kReadBytes), kReadBytes);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::fprintf(stderr, "morvane-cli: %s: %s\n", name.c_str(), std::strerror(errno));
      return false;
    }
    if (n == 0 || !took(static_cast<std::size_t>(n))) return true;
  }
}

bool ReadChunks(int fd, const std::string& name, const std::function<bool(std::string_view)>& take) {
  std::vector<char> chunk(kReadBytes);
  return ReadChunks(
      fd, name, [&](std::size_t) { return chunk.data(); },
      [&](std::size_t n) { return take(std::string_view(chunk.data(), n)); });
}

LogOutput::LogOutput(std::string target) : target_(std::move(target)), standardOut_(stdout) {}

LogOutput::~LogOutput() { platform::RemoveOnInterrupt(""); }

bool LogOutput::Open() {
  if (target_.empty()) return true;
  // Devices and pipes are written into; a file with other hard links is
  // left alone rather than split from them.
  file_.emplace(target_, ReplacingFile::Rules{true, true});
  const platform::SignalsHeld held;  // until the temporary file's name is known to the handler
  if (!file_->Open()) {
    std::fprintf(stderr, "morvane-cli: %s: %s; nothing written\n", target_.c_str(), file_->error().c_str());
    return false;
  }
  platform::RemoveOnInterrupt(file_->temporaryPath());
  return true;
}

void LogOutput::Write(std::string_view bytes) {
  if (failed()) return;  // nothing more can reach the output
  if (!file_) {
    standardOut_.Write(bytes);
    if (standardOut_.failed()) failed_ = true;
    return;
  }
  block_.append(bytes);
  if (block_.size() >= kBlock) {
    if (!file_->Write(block_)) failed_ = true;
    block_.clear();
  }
}

LogOutput::Written LogOutput::Finish(bool abandon) {
  Written written = Written::All;
  if (file_) {
    if (!failed() && !file_->Write(block_)) failed_ = true;
    if (abandon) {
      written = Written::Nothing;
      std::fprintf(stderr, "morvane-cli: %s left as it was\n", target_.c_str());
    } else if (failed() || !file_->Commit()) {
      written = file_->writesThrough() ? Written::Part : Written::Nothing;
      std::fprintf(stderr, "morvane-cli: %s: %s%s\n", target_.c_str(), file_->error().c_str(),
                   file_->writesThrough() ? "" : "; the file is left as it was");
    }
    platform::RemoveOnInterrupt("");
  } else if (!standardOut_.Flush()) {
    written = Written::Part;
    std::fprintf(stderr, "morvane-cli: cannot write the output: %s\n", std::strerror(errno));
  }
  if (abandon && !file_) written = Written::Part;
  return written;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, const char* notWritten) {
  ReplacingFile file(path, ReplacingFile::Rules{true, false});
  if (file.Open() && file.Write(bytes) && file.Commit()) return true;
  std::fprintf(stderr, "morvane-cli: %s: %s; %s\n", path.c_str(), file.error().c_str(), notWritten);
  return false;
}

}  // namespace morvane::cli
