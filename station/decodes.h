// The UDP messages that digital-mode programs send to loggers (the WSJT-X
// network protocol): Qt QDataStream encoding, big-endian, magic 0xadbccbda,
// schema 2 or 3. Only what a logger of decodes needs is read: Heartbeat,
// Status, Decode, Clear, QSO Logged, Close, WSPR decode and Logged ADIF; and
// one message is written back, Highlight Callsign. Standard C++ only, so
// that the reader can be tested with Qt-made datagrams and fuzzed alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvane::station {

inline constexpr std::uint32_t kMagic = 0xadbccbda;

struct Datagram {
  enum class Kind { Heartbeat, Status, Decode, Clear, QsoLogged, Close, WsprDecode, LoggedAdif, Other } kind = Kind::Other;
  std::string id;  // the sending program's name
  // Status
  std::string dxCall, deCall, deGrid, dxGrid;
  std::uint64_t frequency = 0;  // Hz: Status, the dial; WSPR decode, the signal's own
  bool txEnabled = false;       // Status
  // Decode and WSPR decode (the WSPR call and grid in dxCall, dxGrid)
  bool isNew = false;
  std::uint32_t milliseconds = 0;  // since midnight, UTC
  std::int32_t snr = 0;
  std::string mode, message;  // Status, QSO Logged: the mode's name; Decode: its one-character mark
  // QSO Logged: the station worked in dxCall and dxGrid, the Tx frequency in
  // frequency, and its ADIF propagation mode ("SAT"); Logged ADIF: the
  // record in adif.
  std::string propagation, adif;
};

// nullopt when the bytes are not a whole message of a known schema (wrong
// magic, cut short, a length past the end).
std::optional<Datagram> ReadDatagram(std::string_view bytes);

// The call and locator a decoded message carries ("CQ K1ABC FN42", "CQ DX
// K1ABC FN42", "G4XYZ K1ABC FN42"; a 4 or 6-character grid as its last word,
// not RR73), or nullopt. The tag of an a priori decode ("a1" to "a7") and
// a contest exchange before the grid ("W9XYZ K1ABC R FN42", "PA3XYZ G4ABC
// R 570007 JO22DB") are passed over.
struct Heard {
  std::string call, locator;
};
std::optional<Heard> HeardIn(std::string_view message);

// A call sign as messages carry it: A-Z, 0-9 and '/', with a letter and a
// digit, 3 to 13 characters; "<K1ABC>" (a hashed call) without its
// brackets. nullopt for anything else, so that no text a sender chose
// passes for a call.
std::optional<std::string> CallSign(std::string_view word);

// The Highlight Callsign message (type 13) that colours call in the
// program's band activity; colours as 0xRRGGBB, or nullopt to clear one.
struct Colour {
  std::uint8_t red, green, blue;
};
std::string HighlightCallsign(std::string_view id, std::string_view call, std::optional<Colour> background,
                              std::optional<Colour> foreground, bool last);

// The amateur band of a frequency in Hz, as ADIF names it ("20m", "2m",
// "70cm"), or empty when it is in none.
std::string BandOf(std::uint64_t hertz);
// The mode a Decode's one-character mark stands for ("~" FT8, "+" FT4), or
// the mark itself.
std::string ModeOfMark(std::string_view mark);

}  // namespace morvane::station
