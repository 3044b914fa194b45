#include "station/decodes.h"

#include <vector>

#include "locator/precision.h"
#include "locator/ascii.h"

namespace morvane::station {
namespace {

// QDataStream's big-endian fields, read with a check at every step.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : s_(bytes) {}
  bool U32(std::uint32_t& v) { return Big(v, 4); }
  bool I32(std::int32_t& v) {
    std::uint32_t u;
    if (!U32(u)) return false;
    v = static_cast<std::int32_t>(u);
    return true;
  }
  bool U64(std::uint64_t& v) { return Big(v, 8); }
  bool Bool(bool& v) {
    std::uint8_t b;
    if (!Big(b, 1)) return false;
    v = b != 0;
    return true;
  }
  bool Skip(std::size_t n) {
    if (s_.size() < n) return false;
    s_.remove_prefix(n);
    return true;
  }
  // A QByteArray of UTF-8: its length, or 0xffffffff for a null one.
  bool Utf8(std::string& v) {
    std::uint32_t n;
    if (!U32(n)) return false;
    if (n == 0xffffffffu) {
      v.clear();
      return true;
    }
    if (s_.size() < n) return false;
    v.assign(s_.substr(0, n));
    s_.remove_prefix(n);
    return true;
  }

 private:
  template <typename T>
  bool Big(T& v, std::size_t n) {
    if (s_.size() < n) return false;
    v = 0;
    for (std::size_t i = 0; i < n; ++i) v = static_cast<T>((v << 8) | static_cast<unsigned char>(s_[i]));
    s_.remove_prefix(n);
    return true;
  }
  std::string_view s_;
};

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  while (!s.empty()) {
    const std::size_t start = s.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    const std::size_t end = s.find(' ', start);
    words.push_back(s.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    s.remove_prefix(end);
  }
  return words;
}

// A call sign as messages carry it: letters, digits and '/', with a digit;
// "<K1ABC>" (a hashed call) without its brackets.
std::optional<std::string> Call(std::string_view w) {
  if (w.size() > 2 && w.front() == '<' && w.back() == '>') w = w.substr(1, w.size() - 2);
  if (w.size() < 3 || w.size() > 13) return std::nullopt;
  bool digit = false, letter = false;
  for (char c : w) {
    digit = digit || (c >= '0' && c <= '9');
    letter = letter || (c >= 'A' && c <= 'Z');
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '/')) return std::nullopt;
  }
  if (!digit || !letter) return std::nullopt;
  return std::string(w);
}

}  // namespace

std::optional<Datagram> ReadDatagram(std::string_view bytes) {
  Reader r(bytes);
  std::uint32_t magic, schema, type;
  if (!r.U32(magic) || magic != kMagic || !r.U32(schema) || schema < 2 || schema > 3 || !r.U32(type)) return std::nullopt;
  Datagram d;
  if (!r.Utf8(d.id)) return std::nullopt;
  switch (type) {
    case 0:
      d.kind = Datagram::Kind::Heartbeat;
      return d;
    case 1: {  // Status: frequency, mode, DX call, report, Tx mode, three flags, Rx and Tx DF, DE call and grid, DX grid
      std::string text;
      bool flag;
      std::uint32_t df;
      if (!r.U64(d.frequency) || !r.Utf8(d.mode) || !r.Utf8(d.dxCall) || !r.Utf8(text) || !r.Utf8(text) ||
          !r.Bool(flag) || !r.Bool(flag) || !r.Bool(flag) || !r.U32(df) || !r.U32(df) || !r.Utf8(d.deCall) ||
          !r.Utf8(d.deGrid) || !r.Utf8(d.dxGrid))
        return std::nullopt;
      d.kind = Datagram::Kind::Status;
      return d;
    }
    case 2: {  // Decode: new, time, SNR, delta time (a double), delta frequency, mode, message
      std::uint32_t df;
      if (!r.Bool(d.isNew) || !r.U32(d.milliseconds) || !r.I32(d.snr) || !r.Skip(8) || !r.U32(df) ||
          !r.Utf8(d.mode) || !r.Utf8(d.message))
        return std::nullopt;
      if (d.milliseconds >= 24u * 3600 * 1000) return std::nullopt;  // a null or broken time
      d.kind = Datagram::Kind::Decode;
      return d;
    }
    case 3:
      d.kind = Datagram::Kind::Clear;
      return d;
    case 6:
      d.kind = Datagram::Kind::Close;
      return d;
    case 10: {  // WSPR decode: new, time, SNR, delta time, frequency, drift, call, grid, power, off air
      std::int32_t drift, power;
      if (!r.Bool(d.isNew) || !r.U32(d.milliseconds) || !r.I32(d.snr) || !r.Skip(8) || !r.U64(d.frequency) ||
          !r.I32(drift) || !r.Utf8(d.dxCall) || !r.Utf8(d.dxGrid) || !r.I32(power))
        return std::nullopt;
      if (d.milliseconds >= 24u * 3600 * 1000) return std::nullopt;
      d.mode = "WSPR";
      d.kind = Datagram::Kind::WsprDecode;
      return d;
    }
    default:
      return d;  // a message kind this reader has no use for
  }
}

std::optional<Heard> HeardIn(std::string_view message) {
  std::vector<std::string_view> w = Words(message);
  // A decode made with a priori help ends in its tag (a1 to a7), a doubtful one in "?".
  if (!w.empty() && (w.back() == "?" || (w.back().size() == 2 && w.back()[0] == 'a' && w.back()[1] >= '1' &&
                                         w.back()[1] <= '7')))
    w.pop_back();
  if (w.size() < 3) return std::nullopt;
  const std::string grid = UpperCase(w.back());
  // RR73 has a grid's shape but ends a contact.
  if ((grid.size() != 4 && grid.size() != 6) || grid == "RR73" || !CheckLocatorOfLength(grid)) return std::nullopt;
  // A contest exchange before the grid: "R", a report or a serial ("R 570123").
  std::size_t at = w.size() - 2;
  const auto exchange = [](std::string_view x) {
    return x == "R" || (!x.empty() && x.find_first_not_of("0123456789") == std::string_view::npos);
  };
  while (at > 1 && exchange(w[at])) --at;
  const auto call = Call(w[at]);
  if (!call) return std::nullopt;
  return Heard{*call, grid};
}

std::string BandOf(std::uint64_t hertz) {
  // ADIF's bands from 160 m up, their edges in kHz.
  static constexpr struct {
    std::uint64_t low, high;
    const char* name;
  } kBands[] = {{1800, 2000, "160m"},     {3500, 4000, "80m"},       {5060, 5450, "60m"},      {7000, 7300, "40m"},
                {10100, 10150, "30m"},    {14000, 14350, "20m"},     {18068, 18168, "17m"},    {21000, 21450, "15m"},
                {24890, 24990, "12m"},    {28000, 29700, "10m"},     {50000, 54000, "6m"},     {70000, 71000, "4m"},
                {144000, 148000, "2m"},   {222000, 225000, "1.25m"}, {420000, 450000, "70cm"}, {902000, 928000, "33cm"},
                {1240000, 1300000, "23cm"}, {2300000, 2450000, "13cm"}, {3300000, 3500000, "9cm"},
                {5650000, 5925000, "6cm"}, {10000000, 10500000, "3cm"}, {24000000, 24250000, "1.25cm"}};
  const std::uint64_t khz = hertz / 1000;
  for (const auto& b : kBands)
    if (khz >= b.low && khz <= b.high) return b.name;
  return {};
}

std::string ModeOfMark(std::string_view mark) {
  static constexpr std::pair<std::string_view, std::string_view> kMarks[] = {
      {"~", "FT8"}, {"+", "FT4"}, {"#", "JT65"}, {"@", "JT9"}, {"&", "MSK144"}, {"`", "FST4"}, {":", "Q65"}};
  for (const auto& [m, mode] : kMarks)
    if (mark == m) return std::string(mode);
  return std::string(mark);
}

}  // namespace morvane::station
