#include "station/console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "locator/ascii.h"
#include "station/decodes.h"

namespace morvane::station {

WorkedLog::WorkedLog(std::string path)
    : path_(std::move(path)), reader_([this](const adif::RecordReader::Fields& f) { Add(f); }) {}

void WorkedLog::Add(const adif::RecordReader::Fields& fields) {
  const auto field = [&](const char* name) {
    const auto it = fields.find(name);
    return it == fields.end() ? std::string() : UpperCase(it->second);
  };
  std::string band = field("BAND");
  for (char& c : band) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (band.empty()) band = BandOf(static_cast<std::uint64_t>(std::strtod(field("FREQ").c_str(), nullptr) * 1e6));
  const std::string call = field("CALL"), grid = field("GRIDSQUARE");
  if (call.empty()) return;
  ++qsos_;
  calls_[band].insert(call);
  if (grid.size() >= 4) squares_[band].insert(grid.substr(0, 4));
}

bool WorkedLog::Update() {
  const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error_ = path_ + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  fstat(fd, &st);
  // Replaced or cut short (a logger that rewrites its file): read it all again.
  if (st.st_dev != device_ || st.st_ino != inode_ || static_cast<std::uint64_t>(st.st_size) < offset_) {
    reader_ = adif::RecordReader([this](const adif::RecordReader::Fields& f) { Add(f); });
    calls_.clear();
    squares_.clear();
    qsos_ = 0;
    offset_ = 0;
    device_ = st.st_dev;
    inode_ = st.st_ino;
  }
  char buffer[1 << 16];
  ssize_t n;
  while ((n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(offset_))) > 0) {
    reader_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    offset_ += static_cast<std::uint64_t>(n);
  }
  close(fd);
  if (n < 0) {
    error_ = path_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

WorkedLog::Mark WorkedLog::Of(std::string_view call, std::string_view locator, const std::string& band) const {
  const auto has = [&](const std::map<std::string, std::set<std::string>>& m, const std::string& what) {
    const auto it = m.find(band);
    return it != m.end() && it->second.count(what);
  };
  if (has(calls_, UpperCase(call))) return Mark::Worked;
  if (has(squares_, UpperCase(locator.substr(0, 4)))) return Mark::NewCall;
  return Mark::NewSquare;
}

std::string_view MarkName(WorkedLog::Mark mark) {
  switch (mark) {
    case WorkedLog::Mark::NewSquare: return "new square";
    case WorkedLog::Mark::NewCall: return "new call";
    case WorkedLog::Mark::Worked: return "worked";
  }
  return {};
}

void HeardSquares::Add(std::string_view call, std::string_view locator, int snr, double azimuth, double distance) {
  const std::string key = UpperCase(locator.substr(0, 4));
  Square& s = squares_[key];
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
