#include "contest/intake.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

#include "locator/ascii.h"
#include "platform/files.h"

namespace morvane::contest {
namespace fs = std::filesystem;
namespace {

std::optional<long long> Modified(const fs::path& path) {
  std::error_code error;
  const auto time = fs::last_write_time(path, error);
  if (error) return std::nullopt;
  const auto since = std::chrono::file_clock::to_sys(time).time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
}

std::string SizeText(std::size_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " MB"; }

// A file's first bytes, or all of them when it starts like a log (up to
// kLargestLog); false with why when it cannot be read or is too large (the
// bytes are then of no use).
bool ReadFile(const fs::path& path, std::string& bytes, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = std::strerror(errno);
    return false;
  }
  bytes.resize(kIdentifyBytes);
  in.read(bytes.data(), std::streamsize(bytes.size()));
  bytes.resize(std::size_t(in.gcount()));
  if (in.bad()) {
    why = "cannot be read";
    return false;
  }
  if (!StartsLikeALog(bytes)) return true;
  std::error_code error;
  const auto size = fs::file_size(path, error);
  if (!error && size > kLargestLog) {
    why = "starts like a log but holds " + SizeText(size) + ", more than any log (" + SizeText(kLargestLog) + ")";
    return false;
  }
  if (!error) bytes.reserve(std::size_t(size));
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, std::size_t(in.gcount()));
    if (bytes.size() > kLargestLog) {
      why = "starts like a log but holds more than any log (" + SizeText(kLargestLog) + ")";
      return false;
    }
  }
  bytes.shrink_to_fit();  // a contest's logs are all held at once: no 64 KB head left over each
  return true;
}

bool IsArchive(const std::string& head) {
  return head.rfind("PK\x03\x04", 0) == 0 || head.rfind("PK\x05\x06", 0) == 0 ||  // zip
         head.rfind("\x1f\x8b", 0) == 0 || head.rfind("7z\xbc\xaf\x27\x1c", 0) == 0 ||
         (head.size() > 262 && head.compare(257, 5, "ustar") == 0);
}

// The logs in an archive: each entry read as far as it must be.
void TakeArchive(const fs::path& path, const std::string& shown, Intake& intake) {
  // Opened here, so that its name is read as UTF-8 on every system.
  struct Descriptor {
    int fd;
    ~Descriptor() {
      if (fd >= 0) close(fd);
    }
  } const file{platform::OpenToRead(platform::TextOf(path))};
  const int fd = file.fd;
  if (fd < 0) {
    intake.skipped.push_back(shown + ": an archive that cannot be read (" + std::strerror(errno) + ")");
    intake.complete = false;
    return;
  }
  const std::unique_ptr<archive, int (*)(archive*)> a(archive_read_new(), archive_read_free);
  archive_read_support_filter_all(a.get());
  archive_read_support_format_all(a.get());
  if (archive_read_open_fd(a.get(), fd, 1 << 16) != ARCHIVE_OK) {
    intake.skipped.push_back(shown + ": an archive that cannot be read (" + archive_error_string(a.get()) + ")");
    intake.complete = false;
    return;
  }
  std::vector<Taken> found;
  archive_entry* entry = nullptr;
  int status;
  while ((status = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    const std::string name = shown + "/" + archive_entry_pathname(entry);
    std::string bytes;
    char buffer[1 << 16];
    la_ssize_t got = 0;
    bool log = false, tooLarge = false;
    while ((got = archive_read_data(a.get(), buffer, sizeof buffer)) > 0) {
      bytes.append(buffer, std::size_t(got));
      if (!log && bytes.size() >= kIdentifyBytes) {
        if (!(log = StartsLikeALog(bytes))) break;
      }
      if (bytes.size() > kLargestLog) {
        tooLarge = true;
        break;
      }
    }
    if (got < 0) {
      intake.skipped.push_back(name + ": cannot be read from the archive (" + archive_error_string(a.get()) + ")");
      intake.complete = false;
      continue;
    }
    if (tooLarge) {
      intake.skipped.push_back(name + ": starts like a log but holds more than any log (" + SizeText(kLargestLog) + ")");
    } else if (log || StartsLikeALog(bytes)) {
      bytes.shrink_to_fit();
      found.push_back({name, std::move(bytes), archive_entry_mtime_is_set(entry)
                                                   ? std::optional(archive_entry_mtime(entry) * 1000000000LL +
                                                                   archive_entry_mtime_nsec(entry))
                                                   : std::nullopt});
    } else {
      intake.skipped.push_back(name + ": not a REG1TEST log (no [REG1TEST;1] line near its start)");
    }
  }
  if (status != ARCHIVE_EOF) {
    intake.skipped.push_back(shown + ": the archive is damaged after its readable entries (" +
                             std::string(archive_error_string(a.get()) ? archive_error_string(a.get()) : "") + ")");
    intake.complete = false;
  }
  std::sort(found.begin(), found.end(), [](const Taken& x, const Taken& y) { return x.shown < y.shown; });
  for (Taken& t : found) intake.logs.push_back(std::move(t));
}

// One file of a folder: a log, an archive of logs, or skipped with why.
void TakeFile(const fs::path& path, const std::string& shown, Intake& intake) {
  std::string bytes, why;
  if (!ReadFile(path, bytes, why)) {
    intake.skipped.push_back(shown + ": " + why);
    intake.complete = false;
    return;
  }
  if (IsArchive(bytes)) return TakeArchive(path, shown, intake);
  if (StartsLikeALog(bytes)) return intake.logs.push_back({shown, std::move(bytes), Modified(path)});
  intake.skipped.push_back(shown + ": not a REG1TEST log (no [REG1TEST;1] line near its start)");
  // A file named as a log that is none is a log lost, not a note beside the logs.
  if (SameLetters(path.extension().string(), ".EDI")) intake.complete = false;
}

// A folder, all depths, in name order; a subfolder that cannot be read is
// said, and the rest is still taken.
void TakeFolder(const fs::path& folder, const fs::path& root, Intake& intake) {
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) entries.push_back(*it);
  const std::string shown = platform::TextOf(folder == root ? folder : folder.lexically_relative(root));
  if (error) {
    intake.skipped.push_back(shown + ": a folder that cannot be read (" + error.message() + "); its logs are not seen");
    intake.complete = false;
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& e : entries) {
    const std::string name = platform::TextOf(e.path().lexically_relative(root));
    std::error_code kind;
    if (e.is_directory(kind)) TakeFolder(e.path(), root, intake);
    else if (e.is_regular_file(kind)) TakeFile(e.path(), name, intake);
    else intake.skipped.push_back(name + ": not a regular file");
  }
}

}  // namespace

bool StartsLikeALog(std::string_view head) {
  head = head.substr(0, kIdentifyBytes);
  for (std::size_t at = head.find('['); at != std::string_view::npos; at = head.find('[', at + 1)) {
    const std::string_view word = head.substr(at, 10);
    if (SameLetters(word, "[REG1TEST;") || SameLetters(word, "[REGITEST;")) return true;
  }
  return false;
}

Intake TakeIn(const std::vector<std::string>& operands) {
  Intake intake;
  for (const std::string& operand : operands) {
    std::error_code error;
    const fs::path path = platform::PathOf(operand);
    if (fs::is_directory(path, error)) {
      const std::size_t before = intake.logs.size();
      TakeFolder(path, path, intake);
      if (intake.logs.size() == before) {  // a folder given by mistake is not a contest checked
        intake.skipped.push_back(operand + ": no REG1TEST logs in it");
        intake.complete = false;
      }
      continue;
    }
    // A file named is meant as a log: taken whatever it holds, its start
    // only when it is not one, so that it is reported as unusable.
    std::string bytes, why;
    if (!ReadFile(path, bytes, why)) {
      intake.skipped.push_back(operand + ": " + why);
      intake.complete = false;
    } else if (IsArchive(bytes)) {
      TakeArchive(path, operand, intake);
    } else {
      intake.logs.push_back({operand, std::move(bytes), Modified(path)});
    }
  }
  return intake;
}

}  // namespace morvane::contest
