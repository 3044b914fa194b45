// Answers worked out ahead, on a second processor. The scout reads the same
// log file with a filler of its own and queues each record's pair with its
// answer. The filling loop takes an answer only when the record number and
// the pair are its own record's; otherwise (the scout behind, or any doubt)
// it works the answer out itself, so what is written never depends on the
// scout. The queue is of fixed size: memory stays flat.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "cli/adif_pairs.h"

namespace morvane::cli {

class Scout {
 public:
  // Starts only for a regular file of some size, with a second processor to
  // run on; otherwise running() is false and Take always misses.
  Scout(const std::string& file, int fd, const Options& options, std::string_view ownGrid);
  ~Scout();
  Scout(const Scout&) = delete;
  Scout& operator=(const Scout&) = delete;

  bool running() const { return thread_.joinable(); }
  // The answer for the record numbered `number` whose pair is (station,
  // other), if the scout has it; copied into `to`.
  bool Take(long number, std::string_view station, std::string_view other, PathCache::Shown& to);

  // Logs smaller than this are filled faster than a thread starts.
  static constexpr long long kMinBytes = 4 << 20;

 private:
  struct Entry {
    long number;
    ShortText station, other;
    PathCache::Shown shown;
  };
  static constexpr std::size_t kQueue = 4096;

  void Run(std::string file, Options options, std::string ownGrid);

  std::unique_ptr<Entry[]> queue_;
  std::atomic<std::size_t> head_{0};  // entries [tail_, head_) are ready
  std::atomic<std::size_t> tail_{0};
  std::atomic<long> reached_{0};  // the record the filling loop is at
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace morvane::cli
