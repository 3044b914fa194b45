// Files and standard streams as the commands use them, the same on every
// system: descriptors opened to read, their status, reads at an offset, an
// unnamed scratch file, and what standard input and output are connected
// to. files_posix.cpp and files_windows.cpp are the two halves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace morvane::platform {

// Opens a file (a UTF-8 name) to read; -1 with errno set. Never inherited
// by programs started from here. On Windows the file stays free to be
// replaced or removed by others while it is open, as on POSIX.
// nonBlocking: a named pipe opens at once instead of waiting for a writer.
int OpenToRead(const std::string& path, bool nonBlocking = false);

struct FileStatus {
  bool regular = false;
  bool directory = false;
  bool pipe = false;  // a pipe, FIFO or socket
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // since the epoch
  // Together they tell one file from another however it is named or
  // renamed: device and inode, or volume serial and file index.
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  std::uint64_t links = 1;
};
std::optional<FileStatus> StatusOf(int fd);
// Links followed; nullopt (errno set) when there is no such file.
std::optional<FileStatus> StatusOfPath(const std::string& path);

// Reads up to n bytes at offset without moving the descriptor's position;
// 0 at the end, -1 with errno set.
long long ReadAt(int fd, char* buffer, std::size_t n, std::uint64_t offset);

// A file with no name for scratch bytes (TMPDIR, or %TEMP%), gone when
// closed; -1 with errno set. folder: where it was made, to name in errors.
int ScratchFile(std::string& folder);

bool IsTerminal(int fd);
// Whether reading standard input now would wait. Where it cannot be
// told, it is said to wait, so that what was waiting is flushed.
bool InputWouldWait(int fd);
// Whether the reader of this output has gone (a closed pipe).
bool ReaderGone(int fd);
// errno after a failed write, EPIPE when it failed because the reader of
// a pipe had gone (which Windows' C runtime calls EINVAL).
int WriteError();

// Standard streams pass bytes unchanged (no CR added, no ^Z as the end),
// and text shown on a console is UTF-8. Called once, first thing.
void SetUpStandardStreams();

// A path from UTF-8 text and back, in the / form on every system so that
// names shown are the same everywhere.
std::filesystem::path PathOf(const std::string& utf8);
std::string TextOf(const std::filesystem::path& path);

}  // namespace morvane::platform
