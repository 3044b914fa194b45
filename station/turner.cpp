#include "station/turner.h"

#include <algorithm>
#include <chrono>

namespace morvane::station {

Turner::Turner(RotatorAddress rotator, double settle, double timeout, double tolerance,
               std::function<void(const Said&)> say)
    : rotator_(std::move(rotator)), settle_(settle), timeout_(timeout), tolerance_(tolerance), say_(std::move(say)),
      worker_([this] { Work(); }) {}

Turner::~Turner() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    abort_ = 1;  // a rotator that hangs does not hold the program's end
  }
  changed_.notify_all();
  worker_.join();
}

void Turner::TurnTo(double bearing, const std::string& why) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wanted_ = bearing;
    why_ = why;
  }
  changed_.notify_all();
}

void Turner::Work() {
  using Clock = std::chrono::steady_clock;
  std::unique_lock<std::mutex> lock(mutex_);
  auto last = Clock::now() - std::chrono::hours(1);
  bool failing = false;
  for (;;) {
    changed_.wait(lock, [&] { return done_ || wanted_; });
    if (done_) return;
    // Settle: the rotator is not asked again before it can have got there.
    const double pause = failing ? std::max(settle_, kRetrySeconds) : settle_;
    const auto next = last + std::chrono::milliseconds(static_cast<long>(pause * 1000));
    if (changed_.wait_until(lock, next, [&] { return done_; })) return;
    const double bearing = *wanted_;
    const std::string why = why_;
    wanted_.reset();
    lock.unlock();
    RotatorClient client;
    client.SetInterrupt(&abort_);
    RotatorRange range;
    double azimuth = 0;
    const Begun begun = BeginTurn(client, rotator_, bearing, timeout_, azimuth, range, tolerance_);
    const bool answered = begun != Begun::NoAnswer && begun != Begun::NotSent;
    switch (begun) {
      case Begun::Sent: say_({"turning to", bearing, why, azimuth, failing}); break;
      case Begun::AlreadyThere:
        if (failing) say_({"the rotator answers again, already at", bearing, why, std::nullopt, false});
        break;
      case Begun::OutOfRange: say_({"outside the rotator's range:", bearing, "", std::nullopt, false}); break;
      default:
        if (!failing && !abort_)
          say_({"cannot turn to", bearing, client.error() + "; tried again until it answers", std::nullopt, false});
    }
    last = Clock::now();
    lock.lock();
    failing = !answered;
    if (failing && !wanted_) {  // nothing newer was asked meanwhile: this one again
      wanted_ = bearing;
      why_ = why;
    }
  }
}

}  // namespace morvane::station
