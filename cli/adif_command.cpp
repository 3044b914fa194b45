#include "cli/adif_command.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/adif.h"
#include "cli/log_output.h"
#include "cli/path_cache.h"
#include "cli/position_text.h"
#include "locator/precision.h"

namespace morvane::cli {
namespace {

struct Counts {
  long added = 0, replaced = 0, kept = 0, noGrid = 0, badGrid = 0, noOwnGrid = 0;
};

// A grid and its extension as one upper-case locator of 4, 6, 8 or 10
// characters, built in place: this runs for every record.
class GridText {
 public:
  bool Read(const std::optional<adif::Field>& grid, const std::optional<adif::Field>& ext) {
    size_ = 0;
    if (!grid || !Add(TrimBlanks(grid->data)) || (ext && !Add(TrimBlanks(ext->data)))) return false;
    return size_ >= 4 && CheckLocatorOfLength(view());
  }
  void Set(std::string_view locator) {
    size_ = 0;
    Add(locator);
  }
  std::string_view view() const { return {text_, size_}; }

 private:
  bool Add(std::string_view s) {
    if (s.size() > sizeof text_ - size_) return false;
    for (char c : s) text_[size_++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return true;
  }
  char text_[10];
  std::size_t size_ = 0;
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

  const int in = file == "-" ? STDIN_FILENO : open(file.c_str(), O_RDONLY | O_CLOEXEC);
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
  GridText other, recordGrid, ownGrid;
  if (own) ownGrid.Set(*own);
  // Per run, so one model (--ellipsoid or not) throughout; 196 KiB, so not
  // on the stack.
  const auto cache = std::make_unique<PathCache>();
  PathComputer path(false, o.ellipsoid, false);
  const auto decide = [&](const adif::Record& r, long) {
    adif::Edit edit;
    const bool wantAzimuth = o.azimuth && (!r.antAz || o.overwrite);
    if (r.distance && !o.overwrite && !wantAzimuth) {
      ++counts.kept;
      return edit;
    }
    if (!r.gridsquare) {
      ++counts.noGrid;
      return edit;
    }
    if (!other.Read(r.gridsquare, r.gridsquareExt)) {
      ++counts.badGrid;
      return edit;
    }
    const GridText& station = recordGrid.Read(r.myGridsquare, r.myGridsquareExt) ? recordGrid : ownGrid;
    if (station.view().empty()) {
      ++counts.noOwnGrid;
      return edit;
    }
    // ADIF's DISTANCE is in kilometres.
    const PathCache::Shown& p = cache->Get(station.view(), other.view(), [&](std::string_view a, std::string_view b) {
      const PathResult r = path(a, b);
      return PathCache::Shown{std::string_view(ShownResult(r.distance, o.ellipsoid)),
                              std::string_view(ShownResult(r.azimuth, o.ellipsoid))};
    });
    if (!r.distance || o.overwrite) {
      edit.distance = p.distance.view();
      edit.replaceDistance = r.distance.has_value();
      ++(r.distance ? counts.replaced : counts.added);
    } else {
      ++counts.kept;
    }
    if (wantAzimuth) {
      edit.antAz = p.azimuth.view();
      edit.replaceAntAz = r.antAz.has_value();
    }
    return edit;
  };
  const auto warn = [&](const std::string& line) { std::fprintf(stderr, "morvane-cli: %s\n", line.c_str()); };

  adif::Filler filler(decide, write, warn);
  const bool readFailed = !ReadChunks(in, file, [&](std::size_t n) { return filler.Room(n); },
                                      [&](std::size_t n) { filler.Took(n); });
  if (in != STDIN_FILENO) close(in);
  filler.Finish();

  using Written = LogOutput::Written;
  const Written written = output.Finish(readFailed);
  const long skipped = counts.noGrid + counts.badGrid + counts.noOwnGrid;
  if (written == Written::Nothing) {
    std::fprintf(stderr, "morvane-cli: %ld records read, nothing written\n", filler.records());
  } else {
    std::fprintf(stderr,
                 "morvane-cli: %ld records read, %ld distances added, %ld replaced, %ld kept, %ld skipped "
                 "(no grid %ld, bad grid %ld, no own grid %ld), %ld damaged, %ld empty%s\n",
                 filler.records(), counts.added, counts.replaced, counts.kept, skipped, counts.noGrid,
                 counts.badGrid, counts.noOwnGrid, filler.damaged(), filler.empty(),
                 written == Written::Part ? "; the output is incomplete" : "");
  }
  return written == Written::All && filler.damaged() == 0 ? 0 : 1;
}

}  // namespace morvane::cli
