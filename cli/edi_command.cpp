#include "cli/edi_command.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "cli/edi.h"
#include "cli/log_output.h"
#include "cli/position_text.h"

namespace morvane::cli {
namespace {

// Below this many QSOs a mostly-wrong log is still listed line by line.
constexpr long kFewQsos = 10;

// Kilometres to one decimal, as the ellipsoid's are shown.
std::string Km(double km) { return ShownResult(km, true); }

// The log's bytes for a second pass: a file is read again; standard input
// is kept in an unnamed temporary file, so memory stays small.
class Input {
 public:
  explicit Input(const std::string& name) : name_(name) {}
  ~Input() {
    if (fd_ >= 0 && fd_ != STDIN_FILENO) close(fd_);
    if (copy_) std::fclose(copy_);
  }
  bool Open() {
    fd_ = name_ == "-" ? STDIN_FILENO : open(name_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) std::fprintf(stderr, "morvane-cli: %s: %s\n", name_.c_str(), std::strerror(errno));
    if (fd_ == STDIN_FILENO && !(copy_ = std::tmpfile()))
      std::fprintf(stderr, "morvane-cli: cannot keep standard input: %s\n", std::strerror(errno));
    return fd_ >= 0 && (fd_ != STDIN_FILENO || copy_);
  }
  bool Read(const std::function<void(std::string_view)>& take) {
    if (passes_++ == 0) {
      return ReadChunks(fd_, name_, [&](std::string_view bytes) {
        if (copy_ && std::fwrite(bytes.data(), 1, bytes.size(), copy_) != bytes.size()) copyFailed_ = true;
        take(bytes);
      }) && !copyFailed_ && (!copy_ || std::fflush(copy_) == 0);
    }
    const int fd = copy_ ? fileno(copy_) : fd_;
    if (lseek(fd, 0, SEEK_SET) != 0) {
      std::fprintf(stderr, "morvane-cli: %s: cannot read it again: %s\n", name_.c_str(), std::strerror(errno));
      return false;
    }
    return ReadChunks(fd, name_, take);
  }

 private:
  std::string name_;
  int fd_ = -1;
  std::FILE* copy_ = nullptr;
  bool copyFailed_ = false;
  int passes_ = 0;
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
  const long records = t.qsos + t.unreadable;
  if (t.declaredRecords)
    add("QSORecords", std::to_string(*t.declaredRecords), std::to_string(records), *t.declaredRecords == records);
  const edi::HeaderValues filled = edi::FilledHeader(t);
  const auto number = [](std::string_view s) {
    const std::string_view first = s.substr(0, s.find_first_of(";,"));
    return std::string(TrimBlanks(first));
  };
  if (!t.cqsos.empty()) add("CQSOs", t.cqsos, std::to_string(t.valid), number(t.cqsos) == std::to_string(t.valid));
  if (!t.cqsop.empty()) add("CQSOP", t.cqsop, filled.cqsop, TrimBlanks(t.cqsop) == filled.cqsop);
  if (!t.ctosc.empty() && !t.bonusUsed) add("CToSc", t.ctosc, filled.ctosc, TrimBlanks(t.ctosc) == filled.ctosc);
  if (!t.codxc.empty() && !filled.codxc.empty()) add("CODXC", t.codxc, filled.codxc, UpperCase(t.codxc) == UpperCase(filled.codxc));
  return checks;
}

std::string BestDx(const edi::Totals& t) {
  return t.bestKm ? t.bestCall + " " + t.bestLocator + " " + Km(*t.bestKm) + " km" : "none";
}

// Why the QSO lines are not listed one by one, or empty when they are.
std::string NotListed(const edi::Totals& t) {
  if (t.qsos == t.differ && t.claimedTotal == 0 && t.qsos > 0) return "no points are claimed";
  if (t.qsos >= kFewQsos && t.agree * 2 < t.qsos)
    return "the claimed points do not follow the km rule: " + std::to_string(t.agree) + " of " +
           std::to_string(t.qsos) + " agree";
  return {};
}

}  // namespace

int RunEdi(const Context& context, const std::string& file) {
  const Options& o = context.options;
  Input input(file);
  if (!input.Open()) return 1;
  const auto warn = [](const std::string& line) { std::fprintf(stderr, "morvane-cli: %s\n", line.c_str()); };

  // First pass: the totals that the header is checked against and filled with.
  edi::Pass first({nullptr, nullptr, warn}, o.bandMultiplier, std::nullopt);
  if (!input.Read([&](std::string_view bytes) { first.Feed(bytes); })) return 1;
  first.Finish();
  const edi::Totals& t = first.totals();
  if (!t.identified) {
    std::fprintf(stderr, "morvane-cli: %s: not a REG1TEST log (no [REG1TEST;1] line); nothing written\n", file.c_str());
    return 1;
  }
  if (!t.pwwloValid) {
    if (t.pwwloLine == 0)
      std::fprintf(stderr, "morvane-cli: %s: no PWWLo line (the station's 6-character locator); nothing written\n",
                   file.c_str());
    else
      std::fprintf(stderr, "morvane-cli: %s: line %ld: PWWLo=%s is not a 6-character locator; nothing written\n",
                   file.c_str(), t.pwwloLine, t.pwwlo.c_str());
    return 1;
  }

  if (o.fill) {
    // Points claimed by another rule are not ours to overwrite unasked.
    if (const std::string other = NotListed(t); !other.empty() && t.claimedTotal != 0 && !o.forceKmRule) {
      std::fprintf(stderr,
                   "morvane-cli: %s: %s; nothing written (--scoring km, or --force, fills it with the km rule "
                   "all the same)\n",
                   file.c_str(), other.c_str());
      return 1;
    }
    LogOutput output(o.inPlace ? file : o.out);
    if (!output.Open()) return 1;
    edi::Pass second({[&](std::string_view bytes) { output.Write(bytes); }, nullptr, nullptr}, o.bandMultiplier,
                     edi::FilledHeader(t));
    const bool read = input.Read([&](std::string_view bytes) { second.Feed(bytes); });
    second.Finish();
    const LogOutput::Written written = output.Finish(!read);
    if (written == LogOutput::Written::Nothing) {
      std::fprintf(stderr, "morvane-cli: %ld QSOs read, nothing written\n", t.qsos);
      return 1;
    }
    const bool part = written == LogOutput::Written::Part;
    std::fprintf(stderr, "morvane-cli: %ld QSOs read, %ld valid, %ld points changed; %ld points in all; best DX %s%s%s\n",
                 t.qsos, t.valid, t.differ, t.computedTotal, BestDx(t).c_str(),
                 t.unreadable ? "; some lines could not be read" : "", part ? "; the output is incomplete" : "");
    return read && !part && t.unreadable == 0 ? 0 : 1;
  }

  Output out(stdout);
  const std::string notListed = NotListed(t);
  if (notListed.empty()) {
    edi::Pass second({nullptr,
                      [&](const edi::Qso& q) {
                        if (q.claimedPoints == q.points) return;
                        if (o.json) {
                          out << "{\"line\": " << std::to_string(q.line) << ", \"call\": " << JsonString(q.call)
                              << ", \"locator\": " << JsonString(q.locator) << ", \"claimed\": " << JsonString(q.claimed)
                              << ", \"computed\": " << std::to_string(q.points) << ", \"km\": " << Km(q.km) << '}';
                        } else {
                          out << "line " << std::to_string(q.line) << '\t' << q.call << '\t' << q.locator << "\tclaimed "
                              << (q.claimed.empty() ? std::string_view("nothing") : q.claimed) << "\tcomputed "
                              << std::to_string(q.points) << '\t' << Km(q.km) << " km";
                        }
                        out.EndLine();
                      },
                      nullptr},
                     o.bandMultiplier, std::nullopt);
    if (!input.Read([&](std::string_view bytes) { second.Feed(bytes); })) return 1;
    second.Finish();
  }
  bool headerAgrees = true;
  for (const HeaderCheck& h : CheckHeader(t)) {
    headerAgrees = headerAgrees && h.agrees;
    if (o.json)
      out << "{\"header\": " << JsonString(h.key) << ", \"claimed\": " << JsonString(h.claimed)
          << ", \"computed\": " << JsonString(h.computed) << ", \"agrees\": " << (h.agrees ? "true" : "false") << '}';
    else
      out << h.key << "\tclaimed " << h.claimed << "\tcomputed " << h.computed << '\t'
          << (h.agrees ? "agrees" : "differs");
    out.EndLine();
  }
  if (o.json) {
    out << "{\"summary\": {\"qsos\": " << std::to_string(t.qsos) << ", \"valid\": " << std::to_string(t.valid)
        << ", \"agree\": " << std::to_string(t.agree) << ", \"differ\": " << std::to_string(t.differ)
        << ", \"unreadable\": " << std::to_string(t.unreadable) << ", \"claimed\": " << std::to_string(t.claimedTotal)
        << ", \"computed\": " << std::to_string(t.computedTotal) << ", \"multiplier\": " << std::to_string(t.multiplier);
    if (t.bestKm)
      out << ", \"best\": {\"call\": " << JsonString(t.bestCall) << ", \"locator\": " << JsonString(t.bestLocator)
          << ", \"km\": " << Km(*t.bestKm) << '}';
    if (!notListed.empty()) out << ", \"note\": " << JsonString(notListed);
    out << "}}";
  } else {
    out << std::to_string(t.qsos) << " QSOs read, " << std::to_string(t.valid) << " valid, " << std::to_string(t.agree)
        << " agree, " << std::to_string(t.differ) << " differ";
    if (t.unreadable) out << ", " << std::to_string(t.unreadable) << " lines unreadable";
    out << "; claimed " << std::to_string(t.claimedTotal) << " points, computed " << std::to_string(t.computedTotal)
        << "; best DX " << BestDx(t);
    if (!notListed.empty()) out << "; " << notListed;
  }
  out.EndLine();
  if (!out.Flush()) {
    std::fprintf(stderr, "morvane-cli: cannot write the output: %s\n", std::strerror(errno));
    return 1;
  }
  return t.differ == 0 && t.unreadable == 0 && headerAgrees ? 0 : 1;
}

}  // namespace morvane::cli
