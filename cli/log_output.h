// Where a rewritten log goes: standard output, or a file named by -o or
// --in-place, replaced safely (devices and pipes written into, links
// followed, hard links not split, the temporary file removed on SIGINT or
// SIGTERM). Shared by the adif and edi commands.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/output.h"
#include "files/replacing_file.h"

namespace morvane::cli {

// Reads fd to its end in large pieces, or until take returns false. On a
// read error, says so naming the file and returns false.
bool ReadChunks(int fd, const std::string& name, const std::function<bool(std::string_view)>& take);
// The same, read into room(n) and then counted in by took(got), without a
// copy.
bool ReadChunks(int fd, const std::string& name, const std::function<char*(std::size_t)>& room,
                const std::function<bool(std::size_t)>& took);

// A whole file written at once (a report, a summary): replaced safely, or
// a device or pipe written into. On failure says so on standard error,
// "PATH: why; " and then notWritten, and returns false.
bool WriteWholeFile(const std::string& path, std::string_view bytes, const char* notWritten);

class LogOutput {
 public:
  // target: the file to write, or empty for standard output.
  explicit LogOutput(std::string target);
  ~LogOutput();
  LogOutput(const LogOutput&) = delete;
  LogOutput& operator=(const LogOutput&) = delete;

  // Opens the target; on failure says why on standard error and returns false.
  bool Open();
  void Write(std::string_view bytes);
  // A write has failed: what follows cannot reach the output (safe to ask
  // from another thread than the writing one).
  bool failed() const { return failed_.load(std::memory_order_relaxed); }
  // What reached the output once everything is written; abandon (the input
  // could not be read) leaves a replaced file as it was.
  enum class Written { All, Nothing, Part };
  Written Finish(bool abandon);

 private:
  std::string target_;
  std::optional<ReplacingFile> file_;
  Output standardOut_;
  std::string block_;  // output to a file goes out in large blocks
  std::atomic<bool> failed_{false};
};

}  // namespace morvane::cli
