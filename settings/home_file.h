// The user's own position as stored in user.ini: nine bare values, one per
// line, CR LF line ends, single-byte text. Slot 9 is the stored locator and the
// only slot the program uses after reading; the others are kept for the file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

inline constexpr std::size_t kHomeSlots = 9;
inline constexpr std::size_t kHomeLocatorSlot = 8;  // slot 9, counted from 0

// Slots 1..9 in file order: latitude degrees, minutes, seconds, "True" when
// North, longitude degrees, minutes, seconds, "True" when East, locator.
using HomeTable = std::array<std::string, kHomeSlots>;

// Where the first byte of a value lies that the format cannot store: a
// double quote (the reader would take it for the start of a quoted field).
// npos when the value can be written.
std::size_t UnstorableAt(std::string_view value);

// Index (0-based) of the first value that the format cannot store.
// nullopt when every value can be written.
std::optional<std::size_t> FirstUnstorableSlot(const HomeTable& table);

// The file's bytes: each value on its own line ending in CR LF. A value with
// a comma or a line break is written in double quotes so that it reads back
// as one field. Values must have passed FirstUnstorableSlot.
std::string FormatHomeFile(const HomeTable& table);

// Reads the fields of a file's bytes: fields are separated by commas and line
// ends, an empty line is an empty field, a field in double quotes may hold
// commas and line breaks. Every complete group of nine fields replaces the
// table, so the last complete group wins; a trailing group that the file
// cannot complete is ignored, and a file without any complete group leaves
// the table as it was. Returns whether the table was replaced.
bool ParseHomeFile(std::string_view bytes, HomeTable& table);

// The same reading, fed in pieces of any size, so that a file of any length
// is read in bounded memory. Feed the bytes in order, then call Finish once.
class HomeFileParser {
 public:
  explicit HomeFileParser(HomeTable& table) : table_(table) {}
  void Feed(std::string_view bytes);
  // Ends the last field if the bytes stopped inside one. Returns whether the
  // table was replaced.
  bool Finish();

  // No value the program writes comes near this; a longer field keeps its
  // first kMaxFieldBytes bytes, so a hostile file cannot exhaust memory.
  static constexpr std::size_t kMaxFieldBytes = 64 * 1024;

 private:
  enum class State { FieldStart, Plain, Quoted, AfterQuote, AfterCr };
  void Append(std::string_view bytes);
  void EndField();

  HomeTable& table_;
  HomeTable group_;
  std::size_t filled_ = 0;
  bool replaced_ = false;
  State state_ = State::FieldStart;
};

}  // namespace morvane
