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
  // A QDateTime (Qt 5.2 and later): Julian day, milliseconds, time spec and,
  // for a fixed offset, the offset. A time zone by name is refused: the
  // programs send UTC.
  bool DateTime() {
    std::uint64_t day;
    std::uint32_t ms;
    std::uint8_t spec;
    if (!U64(day) || !U32(ms) || !Big(spec, 1)) return false;
    return spec < 2 || (spec == 2 && Skip(4));
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

}  // namespace

std::optional<std::string> CallSign(std::string_view w) {
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
          !r.Bool(d.txEnabled) || !r.Bool(flag) || !r.Bool(flag) || !r.U32(df) || !r.U32(df) || !r.Utf8(d.deCall) ||
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
    case 5: {  // QSO Logged: time off, DX call and grid, Tx frequency, mode, reports, power, comments,
               // name, time on, operator, my call and grid, exchanges, propagation mode
      std::string text;
      if (!r.DateTime() || !r.Utf8(d.dxCall) || !r.Utf8(d.dxGrid) || !r.U64(d.frequency) || !r.Utf8(d.mode))
        return std::nullopt;
      d.kind = Datagram::Kind::QsoLogged;
      // The fields after the mode came with later versions: read as far as they go.
      for (int i = 0; i < 5; ++i)
        if (!r.Utf8(text)) return d;
      if (!r.DateTime()) return d;
      for (int i = 0; i < 5; ++i)
        if (!r.Utf8(text)) return d;
      r.Utf8(d.propagation);
      return d;
    }
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
    case 12:  // Logged ADIF: one record with its header
      if (!r.Utf8(d.adif)) return std::nullopt;
      d.kind = Datagram::Kind::LoggedAdif;
      return d;
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
  const auto call = CallSign(w[at]);
  if (!call) return std::nullopt;
  return Heard{*call, grid};
}

std::string BandOf(std::uint64_t hertz) {
  // ADIF's band table, its edges in Hz.
  static constexpr struct {
    std::uint64_t low, high;
    const char* name;
  } kBands[] = {{135'700, 137'800, "2190m"},           {472'000, 479'000, "630m"},
                {501'000, 504'000, "560m"},           {1'800'000, 2'000'000, "160m"},
                {3'500'000, 4'000'000, "80m"},        {5'060'000, 5'450'000, "60m"},
                {7'000'000, 7'300'000, "40m"},        {10'100'000, 10'150'000, "30m"},
                {14'000'000, 14'350'000, "20m"},      {18'068'000, 18'168'000, "17m"},
                {21'000'000, 21'450'000, "15m"},      {24'890'000, 24'990'000, "12m"},
                {28'000'000, 29'700'000, "10m"},      {40'000'000, 45'000'000, "8m"},
                {50'000'000, 54'000'000, "6m"},       {54'000'001, 69'900'000, "5m"},
                {70'000'000, 71'000'000, "4m"},       {144'000'000, 148'000'000, "2m"},
                {222'000'000, 225'000'000, "1.25m"},  {420'000'000, 450'000'000, "70cm"},
                {902'000'000, 928'000'000, "33cm"},   {1'240'000'000, 1'300'000'000, "23cm"},
                {2'300'000'000, 2'450'000'000, "13cm"}, {3'300'000'000, 3'500'000'000, "9cm"},
                {5'650'000'000, 5'925'000'000, "6cm"}, {10'000'000'000, 10'500'000'000, "3cm"},
                {24'000'000'000, 24'250'000'000, "1.25cm"}};
  for (const auto& b : kBands)
    if (hertz >= b.low && hertz <= b.high) return b.name;
  return {};
}

std::string ModeOfMark(std::string_view mark) {
  static constexpr std::pair<std::string_view, std::string_view> kMarks[] = {
      {"~", "FT8"}, {"+", "FT4"}, {"#", "JT65"}, {"@", "JT9"}, {"&", "MSK144"}, {"`", "FST4"}, {":", "Q65"}};
  for (const auto& [m, mode] : kMarks)
    if (mark == m) return std::string(mode);
  return std::string(mark);
}

std::string HighlightCallsign(std::string_view id, std::string_view call, std::optional<Colour> background,
                              std::optional<Colour> foreground, bool last) {
  std::string out;
  const auto u32 = [&](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift & 0xff));
  };
  const auto u16 = [&](std::uint16_t v) {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xff));
  };
  const auto utf8 = [&](std::string_view s) {
    u32(static_cast<std::uint32_t>(s.size()));
    out.append(s);
  };
  // A QColor: its spec (1, RGB; 0, invalid: no colour), alpha, red, green, blue
  // as 16 bits each, and a pad.
  const auto colour = [&](std::optional<Colour> c) {
    out.push_back(c ? 1 : 0);
    u16(c ? 0xffff : 0);
    for (const int v : {c ? c->red : 0, c ? c->green : 0, c ? c->blue : 0}) u16(static_cast<std::uint16_t>(v * 0x101));
    u16(0);
  };
  u32(kMagic);
  u32(2);
  u32(13);
  utf8(id);
  utf8(call);
  colour(background);
  colour(foreground);
  out.push_back(last ? 1 : 0);
  return out;
}

}  // namespace morvane::station
