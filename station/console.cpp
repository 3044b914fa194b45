#include "station/console.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "locator/ascii.h"
#include "locator/position_text.h"
#include "platform/files.h"
#include "station/decodes.h"

namespace morvane::station {
namespace {

// The bytes at each end of what was read that must be unchanged for a
// change to count as an append.
constexpr std::uint64_t kCheckedBytes = 4096;

// FNV-1a of n bytes of fd from offset; 0 when they cannot all be read.
std::uint64_t Checksum(int fd, std::uint64_t offset, std::uint64_t n) {
  char buffer[kCheckedBytes];
  if (n > sizeof buffer || platform::ReadAt(fd, buffer, n, offset) != static_cast<long long>(n)) return 0;
  std::uint64_t h = 14695981039346656037ull;
  for (std::uint64_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
  return h;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string_view MarkName(Mark mark) {
  if (mark.newSquare) return mark.callWorked ? "new square, call worked" : "new square";
  return mark.callWorked ? "worked" : "new call";
}

void Worked::Add(const adif::RecordReader::Fields& fields) {
  const auto field = [&](const char* name) {
    const auto it = fields.find(name);
    return it == fields.end() ? std::string() : UpperCase(TrimBlanks(it->second));
  };
  if (!countSatellite_ && field("PROP_MODE") == "SAT") return;
  std::string band = Lower(field("BAND"));
  if (band.empty()) band = BandOf(static_cast<std::uint64_t>(std::strtod(field("FREQ").c_str(), nullptr) * 1e6 + 0.5));
  const std::string vucc = field("VUCC_GRIDS");
  Add(band, field("CALL"), vucc.empty() ? field("GRIDSQUARE") : field("GRIDSQUARE") + "," + vucc);
}

void Worked::Add(const std::string& band, std::string_view call, std::string_view grids) {
  if (call.empty()) return;
  ++qsos_;
  calls_[band].insert(UpperCase(call));
  while (!grids.empty()) {
    const std::size_t comma = grids.find(',');
    const std::string_view grid = TrimBlanks(grids.substr(0, comma));
    if (grid.size() >= 4) squares_[band].insert(UpperCase(grid.substr(0, 4)));
    grids = comma == std::string_view::npos ? std::string_view() : grids.substr(comma + 1);
  }
}

bool Worked::HasCall(const std::string& band, std::string_view call) const {
  const auto it = calls_.find(band);
  return it != calls_.end() && it->second.count(UpperCase(call));
}

bool Worked::HasSquare(const std::string& band, std::string_view locator) const {
  const auto it = squares_.find(band);
  return it != squares_.end() && it->second.count(UpperCase(locator.substr(0, 4)));
}

void Worked::Clear() {
  calls_.clear();
  squares_.clear();
  qsos_ = 0;
}

std::size_t Worked::squares() const {
  std::size_t n = 0;
  for (const auto& [band, squares] : squares_) n += squares.size();
  return n;
}

std::size_t Worked::bands() const { return calls_.size(); }

WorkedLog::WorkedLog(std::string path, bool countSatellite)
    : path_(std::move(path)),
      reader_([this](const adif::RecordReader::Fields& f) { ++records_, worked_.Add(f); }),
      worked_(countSatellite) {}

void WorkedLog::Restart() {
  reader_ = adif::RecordReader([this](const adif::RecordReader::Fields& f) { ++records_, worked_.Add(f); });
  worked_.Clear();
  offset_ = 0;
  records_ = 0;
  header_ = false;
  ++wholeReads_;
}

bool WorkedLog::Update() {
  // Not blocking: a FIFO named as the log would wait for a writer.
  const int fd = platform::OpenToRead(path_, true);
  if (fd < 0) {
    error_ = path_ + ": " + std::strerror(errno);
    return false;
  }
  const auto st = platform::StatusOf(fd);
  if (!st || !st->regular) {
    close(fd);
    error_ = path_ + ": not a plain file (an ADIF log is read from a file, not a pipe or device)";
    return false;
  }
  const std::uint64_t size = st->size;
  const std::int64_t modified = st->modifiedNs;
  // A log replaced by rename is another file under the same name.
  const bool sameFile = st->device == device_ && st->index == inode_;
  if (sameFile && size == size_ && modified == modified_) {
    close(fd);
    error_.clear();
    return true;
  }
  // Only a pure append is read from where the last read ended: the bytes at
  // both ends of what was read are checked, since loggers that write the
  // newest QSO first or correct one in place keep the file's name and size.
  const std::uint64_t head = std::min(offset_, kCheckedBytes);
  const bool appended = sameFile && size > offset_ && Checksum(fd, 0, head) == head_ &&
                        Checksum(fd, offset_ - head, head) == tail_;
  if (!appended) Restart();
  device_ = st->device;
  inode_ = st->index;
  char buffer[1 << 16];
  long long n;
  while ((n = platform::ReadAt(fd, buffer, sizeof buffer, offset_)) > 0) {
    if (offset_ == 0) {
      const std::string start = Lower(std::string(buffer, static_cast<std::size_t>(n)));
      header_ = start.find("<eoh>") != std::string::npos;
    }
    reader_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    offset_ += static_cast<std::uint64_t>(n);
  }
  ++generation_;
  const int readError = errno;
  const std::uint64_t checked = std::min(offset_, kCheckedBytes);
  head_ = Checksum(fd, 0, checked);
  tail_ = Checksum(fd, offset_ - checked, checked);
  size_ = size;
  modified_ = modified;
  close(fd);
  if (n < 0) {
    error_ = path_ + ": " + std::strerror(readError);
    size_ = 0;  // read again next time
    return false;
  }
  error_.clear();
  return true;
}

LogFollower::LogFollower(std::string path, bool countSatellite) : log_(std::move(path), countSatellite) {}

std::optional<std::string> LogFollower::Start() {
  if (!log_.Update()) return log_.error();
  if (!log_.LooksLikeAdif())
    return log_.path() + ": not an ADIF log (no <EOH> and no record ending in <EOR>; ADX and CSV are not read)";
  worked_ = std::make_shared<const Worked>(log_.worked());
  thread_ = std::thread([this] { Follow(); });
  return std::nullopt;
}

LogFollower::~LogFollower() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  if (thread_.joinable()) thread_.join();
}

std::shared_ptr<const Worked> LogFollower::worked() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return worked_;
}

std::string LogFollower::TakeNews() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(news_, std::string());
}

void LogFollower::Follow() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; })) {
    lock.unlock();
    const std::uint64_t before = log_.generation();
    const bool read = log_.Update();
    std::shared_ptr<const Worked> changed;
    if (read && log_.generation() != before) changed = std::make_shared<const Worked>(log_.worked());
    lock.lock();
    if (changed) worked_ = std::move(changed);
    const std::string error = read ? std::string() : log_.error();
    if (error != error_) news_ = error.empty() ? log_.path() + ": read again" : error;
    error_ = error;
  }
}

void HeardSquares::Add(const std::string& band, std::string_view call, std::string_view locator, int snr,
                       double azimuth, double distance) {
  const std::string key = UpperCase(locator.substr(0, 4));
  Square& s = squares_[{band, key}];
  s.band = band;
  s.square = key;
  s.bestSnr = s.decodes++ == 0 ? snr : std::max(s.bestSnr, snr);
  if (distance > s.distance) {
    s.distance = distance;
    s.azimuth = azimuth;
    s.farthestCall = call;
    s.farthestLocator = locator;
  }
}

std::vector<HeardSquares::Square> HeardSquares::Sorted() const {
  std::vector<Square> all;
  for (const auto& [key, s] : squares_) all.push_back(s);
  std::stable_sort(all.begin(), all.end(), [](const Square& a, const Square& b) { return a.distance > b.distance; });
  return all;
}

}  // namespace morvane::station
