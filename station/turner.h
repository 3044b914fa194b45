// The antenna turned for a listening session on a thread of its own, so
// that a rotator that is slow to answer never holds back a decode line: the
// newest bearing asked for wins, turns are at least settle seconds apart,
// an antenna already within the tolerance is not moved, and a turn the
// rotator could not take is tried again until it answers (or another
// bearing is asked for). Standard C++ over the rotator's protocol.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "station/rotator.h"

namespace morvane::station {

class Turner {
 public:
  // What the turner has to say, from its own thread: what happened, the
  // bearing, why (the station, or the rotator's error), where the antenna
  // was read to point when a turn was sent, and whether the rotator answers
  // again after failing.
  struct Said {
    std::string what;
    double bearing;
    std::string why;
    std::optional<double> from;
    bool again = false;
  };
  // Seconds between tries while the rotator does not answer, at least.
  static constexpr double kRetrySeconds = 5;

  Turner(RotatorAddress rotator, double settle, double timeout, double tolerance,
         std::function<void(const Said&)> say);
  ~Turner();  // ends a turn in progress, even one the rotator hangs on
  Turner(const Turner&) = delete;
  Turner& operator=(const Turner&) = delete;

  void TurnTo(double bearing, const std::string& why);

 private:
  void Work();

  RotatorAddress rotator_;
  double settle_, timeout_, tolerance_;
  std::function<void(const Said&)> say_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<double> wanted_;
  std::string why_;
  bool done_ = false;
  volatile int abort_ = 0;
  std::thread worker_;
};

}  // namespace morvane::station
