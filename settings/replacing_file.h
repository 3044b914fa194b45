// Replacing a file so that a failure at any step leaves the old one intact:
// the new bytes go to a temporary file beside it, every write is checked,
// the data reaches the disk (fsync) and only then does a rename swap it in.
// POSIX and standard C++ only, shared by the window program and the command
// line.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

// The folder a path names a file in ("." for a bare name).
std::string DirectoryOf(const std::string& path);

class ReplacingFile {
 public:
  // Nothing happens on disk until Open.
  explicit ReplacingFile(std::string target) : target_(std::move(target)) {}
  ~ReplacingFile();  // removes the temporary file unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the temporary file. It gets the old file's permission bits, or
  // those of a new file (0666 less the umask) when there is none.
  bool Open();
  // Writes all of bytes, or fails (no space, file size limit, I/O error).
  bool Write(std::string_view bytes);
  // fsync, close, rename over the target, fsync the directory.
  bool Commit();

  // Why the last step failed, in the system's words.
  const std::string& error() const { return error_; }

 private:
  bool Fail(const char* step);

  std::string target_;
  std::string temp_;
  std::string error_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace morvane
