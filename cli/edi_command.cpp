#include "cli/edi_command.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "logs/edi.h"
#include "cli/log_output.h"
#include "cli/position_text.h"
#include "platform/files.h"

namespace morvane::cli {
namespace {

// Below this many QSOs a mostly-wrong log is still listed line by line.
constexpr long kFewQsos = 10;

// Kilometres to one decimal, as the ellipsoid's are shown.
std::string Km(double km) { return ShownResult(km, true); }

std::string Plural(long n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

// The log's bytes, read twice: a file again from where it started;
// anything that cannot be read again (a pipe, a FIFO, a terminal) is kept
// in an unnamed temporary file under TMPDIR as it is read the first time.
class Input {
 public:
  explicit Input(const std::string& name) : name_(name) {}
  ~Input() {
    if (fd_ >= 0 && fd_ != STDIN_FILENO) close(fd_);
    if (copy_ >= 0) close(copy_);
  }
  const std::string& shownName() const { return shown_; }

  bool Open() {
    shown_ = name_ == "-" ? "standard input" : name_;
    fd_ = name_ == "-" ? STDIN_FILENO : platform::OpenToRead(name_);
    if (fd_ < 0) return Fail(std::strerror(errno));
    const auto st = platform::StatusOf(fd_);
    if (st && st->directory) return Fail(std::strerror(EISDIR));
    start_ = lseek(fd_, 0, SEEK_CUR);
    if (start_ >= 0 && st && st->regular) {
      before_ = *st;
      return true;
    }
    start_ = -1;
    copy_ = platform::ScratchFile(tmpdir_);
    if (copy_ < 0) return Fail("cannot keep a copy to read it twice in " + tmpdir_ + ": " + std::strerror(errno));
    return true;
  }

  // take returns false to stop reading (the rest is not needed).
  bool Read(const std::function<bool(std::string_view)>& take) {
    if (passes_++ == 0) {
      const bool read = ReadChunks(fd_, shown_, [&](std::string_view bytes) {
        if (copy_ >= 0 && !copyFailed_ && !WriteAll(bytes)) copyFailed_ = errno ? errno : EIO;
        return take(bytes);
      });
      if (read && copyFailed_)
        return Fail("cannot keep a copy to read it twice in " + tmpdir_ + ": " + std::strerror(copyFailed_));
      return read;
    }
    const int fd = copy_ >= 0 ? copy_ : fd_;
    if (lseek(fd, copy_ >= 0 ? 0 : start_, SEEK_SET) < 0) return Fail(std::string("cannot read it again: ") + std::strerror(errno));
    return ReadChunks(fd, shown_, take);
  }

  // Whether a file read twice is still as it was at the start: a log that
  // grows between the passes would give totals that do not match its lines.
  bool Unchanged() const {
    if (start_ < 0) return true;
    const auto now = platform::StatusOf(fd_);
    return now && now->size == before_.size && now->modifiedNs == before_.modifiedNs;
  }

 private:
  bool Fail(const std::string& why) {
    std::fprintf(stderr, "morvane-cli: %s: %s\n", shown_.c_str(), why.c_str());
    return false;
  }
  bool WriteAll(std::string_view bytes) {
    errno = 0;
    while (!bytes.empty()) {
      const ssize_t n = write(copy_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  std::string name_, shown_, tmpdir_;
  int fd_ = -1, copy_ = -1, copyFailed_ = 0, passes_ = 0;
  long long start_ = -1;
  platform::FileStatus before_;
};

// One header value against what the QSOs give.
struct HeaderCheck {
  std::string key, claimed, computed;
  bool agrees;
};

std::vector<HeaderCheck> CheckHeader(const edi::Totals& t) {
  std::vector<HeaderCheck> checks;
  const auto add = [&](std::string key, std::string claimed, std::string computed, bool agrees) {
    checks.push_back({std::move(key), std::move(claimed), std::move(computed), agrees});
  };
  const long records = edi::Records(t);
  // A count that is not a number is said, not skipped.
  if (t.declaredRecordsText)
    add("QSORecords", *t.declaredRecordsText, std::to_string(records), t.declaredRecords == records);
  const edi::HeaderValues filled = edi::FilledHeader(t);
  const auto number = [](std::string_view s) {
    const std::string_view first = s.substr(0, s.find_first_of(";,"));
    return std::string(TrimBlanks(first));
  };
  if (!t.cqsos.empty()) add("CQSOs", t.cqsos, std::to_string(t.valid), number(t.cqsos) == std::to_string(t.valid));
  if (!t.cqsop.empty()) add("CQSOP", t.cqsop, filled.cqsop, TrimBlanks(t.cqsop) == filled.cqsop);
  if (!t.ctosc.empty() && !t.bonusUsed) add("CToSc", t.ctosc, filled.ctosc, TrimBlanks(t.ctosc) == filled.ctosc);
  if (!t.codxc.empty() && t.bestKm) {
    const long km = long(std::floor(*t.bestKm));
    add("CODXC", t.codxc, t.bestCall + ";" + t.bestLocator + ";" + std::to_string(km + 1), edi::CodxcAgrees(t));
  }
  return checks;
}

std::string BestDx(const edi::Totals& t) {
  if (!t.bestKm) return "none";
  const long km = long(std::floor(*t.bestKm));
  return t.bestCall + " " + t.bestLocator + " " + Km(*t.bestKm) + " km (CODXC " + std::to_string(km) + " or " +
         std::to_string(km + 1) + ")";
}

// Why the QSO lines are not listed one by one, or empty when they are.
std::string NotListed(const edi::Totals& t) {
  if (t.qsos == t.differ && t.claimedTotal == 0 && t.qsos > 0) return "no points are claimed";
  // Claims one point off are the km rule rounded another way, not another rule.
  if (t.qsos >= kFewQsos && t.otherRule * 2 > t.qsos)
    return "the claimed points do not follow the km rule: " + std::to_string(t.agree) + " of " +
           std::to_string(t.qsos) + " agree";
  return {};
}

// Why a log cannot be checked or filled at all, or empty.
std::string Refusal(const edi::Totals& t, bool multiplierGiven) {
  if (t.crOnlyLineEnds && (!t.identified || !t.pwwloValid))
    return "its lines end in a carriage return alone, which is not read; convert the line ends to LF or CR LF";
  if (!t.identified) return "not a REG1TEST log (no [REG1TEST;1] line)";
  if (!t.pwwloValid) {
    if (t.pwwloLine == 0) return "no PWWLo line (the station's 6-character locator)";
    return "line " + std::to_string(t.pwwloLine) + ": PWWLo=" + Printable(t.pwwlo) + " is not a 6-character locator";
  }
  if (t.multiplierTooLarge && !multiplierGiven)
    return "CQSOs=" + Printable(t.cqsos) + ": a band multiplier of more than " +
           std::to_string(edi::kMaxMultiplierDigits) + " digits (give --band-multiplier)";
  if (t.strayQsoLines > 0)
    return "line " + std::to_string(t.firstStrayQsoLine) + ": " + Plural(t.strayQsoLines, "QSO line", "QSO lines") +
           " outside a QSO section (is the [QSORecords;N] line missing or misspelt?)";
  return {};
}

// A band the km rule is not made for, or empty.
std::string BandNote(const edi::Totals& t) {
  if (!edi::AboveTenGigahertz(t.band)) return {};
  return "PBand=" + Printable(t.band) + ": scored by the km rule of the bands up to 10 GHz";
}

}  // namespace

int RunEdi(const Context& context, const std::string& file) {
  const Options& o = context.options;
  Input input(file);
  Output out(stdout);
  const std::string& name = input.shownName();
  // A refused log: said on standard error, and with --json as a JSON line.
  const auto refuse = [&](const std::string& why) {
    std::fprintf(stderr, "morvane-cli: %s: %s%s\n", name.c_str(), why.c_str(), o.fill ? "; nothing written" : "");
    if (o.json) {
      out << "{\"file\": " << JsonString(name) << ", \"error\": " << JsonString(why) << '}';
      out.EndLine();
    }
    return 1;
  };
  if (!input.Open()) return o.json ? refuse("cannot be read") : 1;
  const auto warn = [](const std::string& line) { std::fprintf(stderr, "morvane-cli: %s\n", line.c_str()); };

  // First pass: the totals that the header is checked against and filled with.
  edi::Pass first({nullptr, nullptr, warn}, o.bandMultiplier, std::nullopt);
  if (!input.Read([&](std::string_view bytes) {
        first.Feed(bytes);
        return !first.NotALog();
      }))
    return o.json ? refuse("cannot be read") : 1;
  first.Finish();
  const edi::Totals& t = first.totals();
  if (const std::string refusal = Refusal(t, o.bandMultiplier != 0); !refusal.empty()) return refuse(refusal);
  const std::string bandNote = BandNote(t);
  const std::string changed = "it changed while it was read";

  if (o.fill) {
    // Points claimed by another rule are not ours to overwrite unasked.
    if (const std::string other = NotListed(t); !other.empty() && t.claimedTotal != 0 && !o.forceKmRule)
      return refuse(other + " (--scoring km, or --force, fills it with the km rule all the same)");
    if (!bandNote.empty()) warn(name + ": " + bandNote);
    LogOutput output(o.inPlace ? file : o.out);
    if (!output.Open()) return 1;
    edi::Pass second({[&](std::string_view bytes) { output.Write(bytes); }, nullptr, nullptr}, o.bandMultiplier,
                     edi::FilledHeader(t));
    const bool read = input.Read([&](std::string_view bytes) {
      second.Feed(bytes);
      return !output.failed();
    });
    second.Finish();
    const bool same = input.Unchanged();
    if (!same) warn(name + ": " + changed);
    const LogOutput::Written written = output.Finish(!read || !same);
    if (written == LogOutput::Written::Nothing) {
      std::fprintf(stderr, "morvane-cli: %s: %s read, nothing written\n", name.c_str(),
                   Plural(t.qsos, "QSO", "QSOs").c_str());
      return 1;
    }
    const bool part = written == LogOutput::Written::Part;
    // Claims within one point were the km rule rounded another way: said, for the log's owner to see.
    const std::string rounding =
        t.nearMisses ? " (" + std::to_string(t.nearMisses) + " within one point: the km rounded another way)" : "";
    std::fprintf(stderr, "morvane-cli: %s: %s read, %ld valid, %s%s; %ld points in all; best DX %s%s%s\n",
                 name.c_str(), Plural(t.qsos, "QSO", "QSOs").c_str(), t.valid,
                 Plural(t.differ, "claim changed", "claims changed").c_str(), rounding.c_str(), t.computedTotal,
                 BestDx(t).c_str(), t.unreadable ? "; some lines could not be read" : "",
                 part ? "; the output is incomplete" : "");
    return read && same && !part && t.unreadable == 0 ? 0 : 1;
  }

  const std::string notListed = NotListed(t);
  if (notListed.empty()) {
    edi::Pass second({nullptr,
                      [&](const edi::Qso& q) {
                        if (q.claimedPoints == q.points) return;
                        if (o.json) {
                          out << "{\"line\": " << std::to_string(q.line) << ", \"call\": " << JsonString(q.call)
                              << ", \"locator\": " << JsonString(q.locator) << ", \"claimed\": "
                              << (q.claimedPoints ? std::to_string(*q.claimedPoints) : "null")
                              << ", \"computed\": " << std::to_string(q.points);
                          if (q.valid) out << ", \"km\": " << Km(q.km);
                          else out << ", \"reason\": " << JsonString(q.whyNone);
                          out << '}';
                        } else {
                          out << "line " << std::to_string(q.line) << '\t' << Printable(q.call) << '\t'
                              << Printable(q.locator) << "\tclaimed "
                              << (q.claimed.empty() ? std::string("nothing") : Printable(q.claimed)) << "\tcomputed "
                              << std::to_string(q.points) << '\t'
                              << (q.valid ? Km(q.km) + " km" : std::string(q.whyNone));
                        }
                        out.EndLine();
                      },
                      nullptr},
                     o.bandMultiplier, std::nullopt);
    if (!input.Read([&](std::string_view bytes) {
          second.Feed(bytes);
          return true;
        }))
      return 1;
    second.Finish();
    if (!input.Unchanged()) return refuse(changed);
  }
  bool headerAgrees = true;
  for (const HeaderCheck& h : CheckHeader(t)) {
    headerAgrees = headerAgrees && h.agrees;
    if (o.json)
      out << "{\"header\": " << JsonString(h.key) << ", \"claimed\": " << JsonString(h.claimed)
          << ", \"computed\": " << JsonString(h.computed) << ", \"agrees\": " << (h.agrees ? "true" : "false") << '}';
    else
      out << h.key << "\tclaimed " << (h.claimed.empty() ? std::string("nothing") : Printable(h.claimed))
          << "\tcomputed " << Printable(h.computed) << '\t' << (h.agrees ? "agrees" : "differs");
    out.EndLine();
  }
  std::string notes = notListed;
  if (!bandNote.empty()) notes += (notes.empty() ? "" : "; ") + bandNote;
  if (o.json) {
    out << "{\"summary\": {\"file\": " << JsonString(name) << ", \"qsos\": " << std::to_string(t.qsos)
        << ", \"valid\": " << std::to_string(t.valid) << ", \"agree\": " << std::to_string(t.agree)
        << ", \"differ\": " << std::to_string(t.differ) << ", \"unreadable\": " << std::to_string(t.unreadable)
        << ", \"claimed\": " << std::to_string(t.claimedTotal) << ", \"computed\": " << std::to_string(t.computedTotal)
        << ", \"multiplier\": " << std::to_string(t.multiplier);
    if (t.bestKm)
      out << ", \"best\": {\"call\": " << JsonString(t.bestCall) << ", \"locator\": " << JsonString(t.bestLocator)
          << ", \"km\": " << Km(*t.bestKm) << '}';
    if (!notes.empty()) out << ", \"note\": " << JsonString(notes);
    out << "}}";
  } else {
    out << Printable(name) << ": " << Plural(t.qsos, "QSO", "QSOs") << " read, " << std::to_string(t.valid)
        << " valid, " << std::to_string(t.agree) << " agree, " << std::to_string(t.differ) << " differ";
    if (t.unreadable) out << ", " << Plural(t.unreadable, "line", "lines") << " unreadable";
    out << "; claimed " << std::to_string(t.claimedTotal) << " points, computed " << std::to_string(t.computedTotal)
        << "; best DX " << Printable(BestDx(t));
    if (!notes.empty()) out << "; " << notes;
  }
  out.EndLine();
  if (!out.Flush()) {
    std::fprintf(stderr, "morvane-cli: cannot write the output: %s\n", std::strerror(errno));
    return 1;
  }
  return t.differ == 0 && t.unreadable == 0 && headerAgrees ? 0 : 1;
}

}  // namespace morvane::cli
