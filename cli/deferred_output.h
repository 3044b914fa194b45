// The filled log on its way out: the bytes, and in their places the values
// still to be worked out, gathered in batches of about 1 MiB. While the next
// batch is read, a second thread works the values of the last one out and
// writes it; with one processor the same is done in turn. At most kInFlight
// batches are held, so memory stays flat whatever the log.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/adif.h"
#include "cli/adif_pairs.h"
#include "cli/log_output.h"
#include "cli/path_cache.h"

namespace morvane::cli {

class DeferredOutput {
 public:
  // threaded: use a second thread when there is a second processor.
  DeferredOutput(LogOutput& output, bool ellipsoid, bool threaded);
  ~DeferredOutput();
  DeferredOutput(const DeferredOutput&) = delete;
  DeferredOutput& operator=(const DeferredOutput&) = delete;

  void Write(std::string_view bytes);
  // A value of the pair (station, other): before, its length, between, the
  // value, after.
  void Value(std::string_view before, adif::Filler::Value which, std::string_view between, std::string_view after,
             std::string_view station, std::string_view other);
  // Everything written out; the thread is done.
  void Finish();

  static constexpr std::size_t kBatchBytes = 1 << 20;
  static constexpr std::size_t kInFlight = 3;

 private:
  struct Hole {
    std::size_t at, betweenEnd;  // in the batch's bytes: between is [at, betweenEnd)
    adif::Filler::Value which;
    ShortText station, other;
  };
  struct Batch {
    std::string bytes;
    std::vector<Hole> holes;
  };

  void Submit();
  void WriteOut(Batch& batch);  // works the values out and writes
  void Work();

  LogOutput& output_;
  Answers answers_;  // used by whichever thread writes
  std::unique_ptr<Batch> filling_;
  std::string text_;  // a value's text, reused

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> full_, spare_;
  std::size_t inFlight_ = 0;  // submitted, not yet written
  bool done_ = false;
  std::thread worker_;
};

}  // namespace morvane::cli
