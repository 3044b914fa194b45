// Replacing a file so that a failure at any step leaves the old one intact:
// the new bytes go to a temporary file beside it, every write is checked,
// the data reaches the disk (fsync) and only then does a rename swap it in.
// Shared by the window program and the command line; what differs between
// systems is in replacing_file_posix.cpp and replacing_file_windows.cpp.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace morvane {

// The folder a path names a file in ("." for a bare name).
std::string DirectoryOf(const std::string& path);

// Whether two paths name one file however they are written: links (hard
// or symbolic), "./", "..", /dev/fd/N. A file that does not exist yet is
// compared by its folder and its name.
bool NamesSameFile(const std::string& a, const std::string& b);

// The system calls that can fail after the temporary file exists; a test
// swaps them to see each failure handled. nullptr restores the real ones.
struct FileCalls {
  ssize_t (*write)(int, const void*, size_t);
  int (*fsync)(int);
  int (*close)(int);
};
void SetFileCallsForTesting(const FileCalls* calls);
// The system's own, defined by each system's half.
extern const FileCalls kSystemFileCalls;

class ReplacingFile {
 public:
  // What a target that is not a plain file to replace gets.
  struct Rules {
    // Devices and named pipes are written to directly, as cp does, and so
    // is a name for an open descriptor (/dev/stdout, /dev/fd/N), as it
    // stands: its offset and append mode kept. Without this they are
    // refused ("not a regular file").
    bool writeThroughSpecialFiles = false;
    // A file with other hard links is refused rather than split from them.
    bool refuseHardLinks = false;
  };

  // Nothing happens on disk until Open.
  explicit ReplacingFile(std::string target) : ReplacingFile(std::move(target), Rules{}) {}
  ReplacingFile(std::string target, Rules rules) : target_(std::move(target)), rules_(rules) {}
  ~ReplacingFile();  // removes the temporary file unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // A symbolic link is followed: the file it points to is replaced and the
  // link stays. The temporary file, ".morvane-XXXXXX" beside that file, gets
  // the old file's owner, group, permission bits, ACL and extended
  // attributes, or those of a new file (0666 less the umask) when there is
  // none. Open fails rather than drop an ACL or a user attribute.
  bool Open();
  // Writes all of bytes, or fails (no space, file size limit, I/O error).
  bool Write(std::string_view bytes);
  // fsync, close, rename over the target, fsync the directory. A special
  // file written through is only closed.
  bool Commit();

  // Why the last step failed, in the system's words.
  const std::string& error() const { return error_; }
  // The temporary file while one exists (empty when writing through), so
  // that an interrupted program can remove it.
  const std::string& temporaryPath() const { return temp_; }
  // Whether Open chose to write into a special file, where a failure may
  // leave part of the bytes written.
  bool writesThrough() const { return direct_; }

 private:
  bool Fail(const char* step);
  // Each system's half: the temporary file put in the target's place, and
  // the temporary file removed.
  bool SwapIn();
  void RemoveTemporary();

  std::string target_;  // the file finally written: links resolved
  Rules rules_;
  std::string temp_;
  std::string error_;
  int fd_ = -1;
  bool direct_ = false;  // writing into a special file, no temporary file
  bool committed_ = false;
};

}  // namespace morvane
