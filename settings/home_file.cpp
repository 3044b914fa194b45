#include "settings/home_file.h"

#include <vector>

namespace morvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool NeedsQuotes(const std::string& value) {
  return value.find_first_of(",\r\n") != std::string::npos;
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Consumes the separator behind a field: a comma, or one line end (CR LF,
// CR or LF).
std::size_t SkipSeparator(std::string_view bytes, std::size_t pos) {
  if (pos >= bytes.size()) return pos;
  if (bytes[pos] == ',') return pos + 1;
  if (bytes[pos] == '\r') {
    ++pos;
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
    return pos;
  }
  if (bytes[pos] == '\n') return pos + 1;
  return pos;
}

// Reads one field starting at pos and returns the position after its
// separator.
std::size_t ReadField(std::string_view bytes, std::size_t pos, std::string& field) {
  field.clear();
  if (bytes[pos] == '"') {
    const std::size_t close = bytes.find('"', pos + 1);
    if (close == std::string_view::npos) {
      // Unterminated quote: the rest of the file is the field.
      field.assign(bytes.substr(pos + 1));
      return bytes.size();
    }
    field.assign(bytes.substr(pos + 1, close - pos - 1));
    pos = close + 1;
    // Anything between the closing quote and the separator is dropped.
    while (pos < bytes.size() && bytes[pos] != ',' && !IsLineEnd(bytes[pos])) ++pos;
    return SkipSeparator(bytes, pos);
  }
  std::size_t end = pos;
  while (end < bytes.size() && bytes[end] != ',' && !IsLineEnd(bytes[end])) ++end;
  field.assign(bytes.substr(pos, end - pos));
  return SkipSeparator(bytes, end);
}

}  // namespace

std::optional<std::size_t> FirstUnstorableSlot(const HomeTable& table) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].find('"') != std::string::npos) return i;
  }
  return std::nullopt;
}

std::string FormatHomeFile(const HomeTable& table) {
  std::string out;
  for (const std::string& value : table) {
    if (NeedsQuotes(value)) {
      out += '"';
      out += value;
      out += '"';
    } else {
      out += value;
    }
    out += kLineEnd;
  }
  return out;
}

bool ParseHomeFile(std::string_view bytes, HomeTable& table) {
  HomeTable group;
  std::size_t filled = 0;
  bool replaced = false;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    pos = ReadField(bytes, pos, group[filled]);
    if (++filled == kHomeSlots) {
      table = group;
      replaced = true;
      filled = 0;
    }
  }
  return replaced;
}

}  // namespace morvane
