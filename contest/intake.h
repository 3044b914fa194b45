// What a contest manager's folder holds, sorted into logs and everything
// else: entrants send logs as .edi, .txt, .edi.bak or inside a .zip, and
// a folder also holds notes, pictures and subfolders someone cannot read.
// Every file is identified by its content (a [REG1TEST;1] line near its
// start), never by its name; every one that is not taken is listed with
// why, so that no log goes unseen.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::contest {

// How much of a file is looked at to identify it, and the most a log may
// hold: a 2 GB junk file is never read whole.
inline constexpr std::size_t kIdentifyBytes = 64 * 1024;
inline constexpr std::size_t kLargestLog = 64 * 1024 * 1024;

// Whether the start of a file is a REG1TEST log's: the identifier line
// ([REG1TEST; or the common misspelling [REGITEST;) in it, any case.
bool StartsLikeALog(std::string_view head);

struct Taken {
  std::string shown;  // as given, or its name within the folder ("zips/a.zip/ok1abc.edi")
  std::string bytes;
  std::optional<long long> modified;  // ns since 1970: a corrected log is the later file
};

struct Intake {
  std::vector<Taken> logs;            // in name order within each operand
  std::vector<std::string> skipped;   // "name: why", for the intake report
  bool complete = true;               // false: something could not be read (a folder, a file, an archive)
};

// The operands' logs: a file named is taken whatever it holds (its start
// only, when it is not a log); a folder's files (all depths) and the
// entries of archives in it (.zip and what libarchive reads) are taken
// when they start like a log.
Intake TakeIn(const std::vector<std::string>& operands);

}  // namespace morvane::contest
