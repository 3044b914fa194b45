#include "cli/adif_scout.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace morvane::cli {
namespace {

int Processors() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return CPU_COUNT(&set);
}

}  // namespace

Scout::Scout(const std::string& file, int fd, const Options& options, std::string_view ownGrid) {
  struct stat st{};
  if (file == "-" || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < kMinBytes || Processors() < 2)
    return;
  queue_ = std::make_unique<Entry[]>(kQueue);
  thread_ = std::thread(&Scout::Run, this, file, options, std::string(ownGrid));
}

Scout::~Scout() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

bool Scout::Take(long number, std::string_view station, std::string_view other, PathCache::Shown& to) {
  if (!queue_) return false;
  reached_.store(number, std::memory_order_relaxed);
  const std::size_t head = head_.load(std::memory_order_acquire);
  std::size_t tail = tail_.load(std::memory_order_relaxed);
  bool found = false;
  for (; tail < head; ++tail) {
    const Entry& e = queue_[tail % kQueue];
    if (e.number > number) break;  // none for this record
    if (e.number == number) {
      found = e.station == station && e.other == other;
      if (found) to = e.shown;
      ++tail;
      break;
    }
  }
  tail_.store(tail, std::memory_order_release);
  return found;
}

void Scout::Run(std::string file, Options options, std::string ownGrid) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  PairReader pairs(options, ownGrid);
  adif::Filler filler(
      [&](const adif::Record& r, long number) {
        // Records the filling loop has passed are not worked out.
        if (number <= reached_.load(std::memory_order_relaxed) || pairs.Read(r).kind != Wanted::Pair)
          return adif::Edit{};
        const PathCache::Shown& shown = pairs.Answer();
        const std::size_t head = head_.load(std::memory_order_relaxed);
        while (head - tail_.load(std::memory_order_acquire) >= kQueue) {
          if (stop_.load(std::memory_order_relaxed)) return adif::Edit{};
          std::this_thread::yield();
        }
        queue_[head % kQueue] = Entry{number, pairs.station(), pairs.other(), shown};
        head_.store(head + 1, std::memory_order_release);
        return adif::Edit{};
      },
      [](std::string_view, bool) {}, [](const std::string&) {});
  for (;;) {
    if (stop_.load(std::memory_order_relaxed)) break;
    constexpr std::size_t kPiece = 128 << 10;
    const ssize_t n = read(fd, filler.Room(kPiece), kPiece);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    filler.Took(static_cast<std::size_t>(n));
  }
  close(fd);
}

}  // namespace morvane::cli
