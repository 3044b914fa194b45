#include "cli/deferred_output.h"

#include <sched.h>

namespace morvane::cli {
namespace {

int Processors() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return CPU_COUNT(&set);
}

}  // namespace

DeferredOutput::DeferredOutput(LogOutput& output, bool ellipsoid, bool threaded)
    : output_(output), answers_(ellipsoid), filling_(std::make_unique<Batch>()) {
  filling_->bytes.reserve(kBatchBytes + 4096);
  if (threaded && Processors() >= 2) {
    try {
      worker_ = std::thread(&DeferredOutput::Work, this);
    } catch (const std::system_error&) {
      // No thread to be had: everything in turn on this one.
    }
  }
}

DeferredOutput::~DeferredOutput() { Finish(); }

void DeferredOutput::Write(std::string_view bytes) {
  filling_->bytes.append(bytes);
  if (filling_->bytes.size() >= kBatchBytes) Submit();
}

void DeferredOutput::Value(std::string_view before, adif::Filler::Value which, std::string_view between,
                           std::string_view after, std::string_view station, std::string_view other) {
  Batch& b = *filling_;
  b.bytes.append(before);
  const std::size_t at = b.bytes.size();
  b.bytes.append(between);
  b.holes.push_back(Hole{at, b.bytes.size(), which, station, other});
  b.bytes.append(after);
  if (b.bytes.size() >= kBatchBytes) Submit();
}

void DeferredOutput::Submit() {
  if (!worker_.joinable()) {
    WriteOut(*filling_);
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return inFlight_ < kInFlight; });
  ++inFlight_;
  full_.push_back(std::move(filling_));
  if (!spare_.empty()) {
    filling_ = std::move(spare_.front());
    spare_.pop_front();
  }
  lock.unlock();
  changed_.notify_all();
  if (!filling_) {
    filling_ = std::make_unique<Batch>();
    filling_->bytes.reserve(kBatchBytes + 4096);
  }
}

void DeferredOutput::WriteOut(Batch& batch) {
  const std::string_view bytes(batch.bytes);
  std::size_t from = 0;
  for (const Hole& h : batch.holes) {
    output_.Write(bytes.substr(from, h.at - from));
    const PathCache::Shown& shown = answers_.Get(h.station.view(), h.other.view());
    text_.clear();
    adif::AppendValueText(text_, "", (h.which == adif::Filler::Value::Distance ? shown.distance : shown.azimuth).view(),
                          bytes.substr(h.at, h.betweenEnd - h.at), "");
    output_.Write(text_);
    from = h.betweenEnd;
  }
  output_.Write(bytes.substr(from));
  batch.bytes.clear();
  batch.holes.clear();
}

void DeferredOutput::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !full_.empty() || done_; });
    if (full_.empty()) return;
    std::unique_ptr<Batch> batch = std::move(full_.front());
    full_.pop_front();
    lock.unlock();
    WriteOut(*batch);
    lock.lock();
    spare_.push_back(std::move(batch));
    --inFlight_;
    changed_.notify_all();
  }
}

void DeferredOutput::Finish() {
  if (filling_ && (!filling_->bytes.empty() || !filling_->holes.empty())) Submit();
  if (worker_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }
}

}  // namespace morvane::cli
