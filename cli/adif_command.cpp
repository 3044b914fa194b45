#include "cli/adif_command.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "logs/adif.h"
#include "cli/adif_pairs.h"
#include "cli/log_output.h"
#include "platform/files.h"
#include "platform/process.h"

namespace morvane::cli {
namespace {

struct Counts {
  long added = 0, replaced = 0, kept = 0, noGrid = 0, badGrid = 0, noOwnGrid = 0;
};

}  // namespace

int RunAdif(const Context& context, const std::string& file) {
  const Options& o = context.options;
  std::optional<std::string> own;  // --my or --home
  if (!o.my.empty()) {
    own = ReadLocator(o.my);
    if (!own || own->size() < 4) {
      std::fprintf(stderr, "morvane-cli: --my %s: %s\n", o.my.c_str(), std::string(kLocatorIncorrect).c_str());
      return 2;
    }
  } else if (o.home) {
    own = context.homeBase;
  }

  const int in = file == "-" ? STDIN_FILENO : platform::OpenToRead(file);
  if (in < 0) {
    std::fprintf(stderr, "morvane-cli: %s: %s\n", file.c_str(), std::strerror(errno));
    return 1;
  }
  LogOutput output(o.inPlace ? file : o.out);
  if (!output.Open()) {
    if (in != STDIN_FILENO) close(in);
    return 1;
  }
  const auto write = [&](std::string_view bytes, bool) { output.Write(bytes); };

  Counts counts;
  PairReader pairs(o, own ? *own : "");
  Answers answers(o.ellipsoid);
  const auto decide = [&](const adif::Record& r, long) {
    adif::Edit edit;
    const Wanted wanted = pairs.Read(r);
    switch (wanted.kind) {
      case Wanted::Kept: ++counts.kept; return edit;
      case Wanted::NoGrid: ++counts.noGrid; return edit;
      case Wanted::BadGrid: ++counts.badGrid; return edit;
      case Wanted::NoOwnGrid: ++counts.noOwnGrid; return edit;
      case Wanted::Pair: break;
    }
    const PathCache::Shown& p = answers.Get(pairs.station(), pairs.other());
    if (!r.distance || o.overwrite) {
      edit.distance = p.distance.view();
      edit.replaceDistance = r.distance.has_value();
      ++(r.distance ? counts.replaced : counts.added);
    } else {
      ++counts.kept;
    }
    if (wanted.azimuth) {
      edit.antAz = p.azimuth.view();
      edit.replaceAntAz = r.antAz.has_value();
    }
    return edit;
  };
  const auto warn = [&](const std::string& line) { std::fprintf(stderr, "morvane-cli: %s\n", line.c_str()); };

  // Records are decided and written on a second thread (when there is a
  // second processor) while the next bytes are read; the counts above are
  // that thread's until Finish has returned.
  adif::Filler filler(decide, write, warn, platform::ProcessorsAvailable() >= 2);
  // Reading stops at a failed write (a closed pipe): the rest cannot be written.
  const bool readFailed = !ReadChunks(in, file, [&](std::size_t n) { return filler.Room(n); },
                                      [&](std::size_t n) {
                                        filler.Took(n);
                                        return !output.failed();
                                      });
  if (in != STDIN_FILENO) close(in);
  filler.Finish();

  using Written = LogOutput::Written;
  const Written written = output.Finish(readFailed);
  const long skipped = counts.noGrid + counts.badGrid + counts.noOwnGrid;
  const char* name = file == "-" ? "standard input" : file.c_str();
  if (written == Written::Nothing) {
    std::fprintf(stderr, "morvane-cli: %s: %ld records read, nothing written\n", name, filler.records());
  } else if (filler.noHeaderEnd() && filler.records() == 0) {
    std::fprintf(stderr, "morvane-cli: %s: not an ADIF log (no record, and no <EOH> after a header)%s\n", name,
                 written == Written::Part ? "; the output is incomplete" : "; copied as it is");
  } else {
    std::fprintf(stderr,
                 "morvane-cli: %s: %ld records read, %ld distances added, %ld replaced, %ld kept, %ld skipped "
                 "(no grid %ld, bad grid %ld, no own grid %ld), %ld damaged, %ld empty%s\n",
                 name, filler.records(), counts.added, counts.replaced, counts.kept, skipped, counts.noGrid,
                 counts.badGrid, counts.noOwnGrid, filler.damaged(), filler.empty(),
                 written == Written::Part ? "; the output is incomplete" : "");
  }
  return written == Written::All && filler.damaged() == 0 ? 0 : 1;
}

}  // namespace morvane::cli
