#include "cli/adif_command.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/adif.h"
#include "cli/interrupt.h"
#include "cli/position_text.h"
#include "settings/replacing_file.h"

namespace morvane::cli {
namespace {

constexpr std::size_t kReadChunk = 1 << 20;

struct Counts {
  long added = 0, replaced = 0, kept = 0, noGrid = 0, badGrid = 0, noOwnGrid = 0;
};

// A grid and its extension as one locator of 4, 6, 8 or 10 characters.
std::optional<std::string> Grid(const std::optional<adif::Field>& grid, const std::optional<adif::Field>& ext) {
  if (!grid) return std::nullopt;
  std::string text(TrimBlanks(grid->data));
  if (ext) text += TrimBlanks(ext->data);
  if (text.size() < 4) return std::nullopt;
  return ReadLocator(text);
}

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
  const std::string target = o.inPlace ? file : o.out;
  std::optional<ReplacingFile> replacing;
  if (!target.empty()) {
    // Devices and pipes are written into; a file with other hard links is
    // left alone rather than split from them.
    replacing.emplace(target, ReplacingFile::Rules{true, true});
    if (!replacing->Open()) {
      std::fprintf(stderr, "morvane-cli: %s: %s; nothing written\n", target.c_str(), replacing->error().c_str());
      if (in != STDIN_FILENO) close(in);
      return 1;
    }
    RemoveOnInterrupt(replacing->temporaryPath());
  }
  Output standardOut(stdout);
  bool writeFailed = false;
  std::string block;  // output to a file goes out in large blocks
  const auto write = [&](std::string_view bytes, bool) {
    if (!replacing) {
      standardOut.Write(bytes);
      return;
    }
    block.append(bytes);
    if (block.size() >= kReadChunk) {
      writeFailed = writeFailed || !replacing->Write(block);
      block.clear();
    }
  };

  Counts counts;
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
    const auto other = Grid(r.gridsquare, r.gridsquareExt);
    if (!other) {
      ++counts.badGrid;
      return edit;
    }
    auto station = Grid(r.myGridsquare, r.myGridsquareExt);
    if (!station) station = own;
    if (!station) {
      ++counts.noOwnGrid;
      return edit;
    }
    // ADIF's DISTANCE is in kilometres.
    const PathResult p = ComputePath(*station, *other, false, o.ellipsoid, false);
    if (!r.distance || o.overwrite) {
      edit.distance = ShownResult(p.distance, o.ellipsoid);
      edit.replaceDistance = r.distance.has_value();
      ++(r.distance ? counts.replaced : counts.added);
    } else {
      ++counts.kept;
    }
    if (wantAzimuth) {
      edit.antAz = ShownResult(p.azimuth, o.ellipsoid);
      edit.replaceAntAz = r.antAz.has_value();
    }
    return edit;
  };
  const auto warn = [&](const std::string& line) { std::fprintf(stderr, "morvane-cli: %s\n", line.c_str()); };

  adif::Filler filler(decide, write, warn);
  std::vector<char> chunk(kReadChunk);
  bool readFailed = false;
  for (;;) {
    const ssize_t n = read(in, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::fprintf(stderr, "morvane-cli: %s: %s\n", file.c_str(), std::strerror(errno));
      readFailed = true;
      break;
    }
    if (n == 0) break;
    filler.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
  }
  if (in != STDIN_FILENO) close(in);
  filler.Finish();

  // What reached the output, for the summary: all of it, none, or a part.
  enum class Written { All, Nothing, Part } written = Written::All;
  if (replacing) {
    writeFailed = writeFailed || !replacing->Write(block);
    if (readFailed) {
      written = Written::Nothing;
      std::fprintf(stderr, "morvane-cli: %s left as it was\n", target.c_str());
    } else if (writeFailed || !replacing->Commit()) {
      written = replacing->writesThrough() ? Written::Part : Written::Nothing;
      std::fprintf(stderr, "morvane-cli: %s: %s%s\n", target.c_str(), replacing->error().c_str(),
                   replacing->writesThrough() ? "" : "; the file is left as it was");
    }
    RemoveOnInterrupt("");
  } else if (!standardOut.Flush()) {
    written = Written::Part;
    std::fprintf(stderr, "morvane-cli: cannot write the output: %s\n", std::strerror(errno));
  }
  if (readFailed && !replacing) written = Written::Part;
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
