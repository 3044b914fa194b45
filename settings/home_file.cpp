#include "settings/home_file.h"

namespace morvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool NeedsQuotes(const std::string& value) {
  return value.find_first_of(",\r\n") != std::string::npos;
}

// Where the first comma or line end lies in bytes (or its size).
std::size_t FindSeparator(std::string_view bytes) {
  const std::size_t at = bytes.find_first_of(",\r\n");
  return at == std::string_view::npos ? bytes.size() : at;
}

}  // namespace

std::size_t UnstorableAt(std::string_view value) { return value.find('"'); }

std::optional<std::size_t> FirstUnstorableSlot(const HomeTable& table) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (UnstorableAt(table[i]) != std::string_view::npos) return i;
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

void HomeFileParser::Append(std::string_view bytes) {
  std::string& field = group_[filled_];
  if (field.size() >= kMaxFieldBytes) return;
  field.append(bytes.substr(0, kMaxFieldBytes - field.size()));
}

void HomeFileParser::EndField() {
  if (++filled_ == kHomeSlots) {
    table_ = group_;
    replaced_ = true;
    filled_ = 0;
  }
}

// The separator behind a field is a comma or one line end (CR LF, CR or LF);
// an empty line is an empty field. A field that starts with a double quote
// runs to the next double quote (or the end of the file), and whatever stands
// between that quote and the separator is dropped.
void HomeFileParser::Feed(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const char c = bytes[pos];
    switch (state_) {
      case State::AfterCr:
        state_ = State::FieldStart;
        if (c == '\n') ++pos;
        break;
      case State::FieldStart:
        group_[filled_].clear();
        if (c == '"') {
          state_ = State::Quoted;
          ++pos;
        } else {
          state_ = State::Plain;
        }
        break;
      case State::Plain:
      case State::AfterQuote: {
        const std::size_t end = pos + FindSeparator(bytes.substr(pos));
        if (state_ == State::Plain) Append(bytes.substr(pos, end - pos));
        pos = end;
        if (pos == bytes.size()) break;
        EndField();
        state_ = bytes[pos] == '\r' ? State::AfterCr : State::FieldStart;
        ++pos;
        break;
      }
      case State::Quoted: {
        const std::size_t close = bytes.find('"', pos);
        const std::size_t end = close == std::string_view::npos ? bytes.size() : close;
        Append(bytes.substr(pos, end - pos));
        pos = end;
        if (close != std::string_view::npos) {
          state_ = State::AfterQuote;
          ++pos;
        }
        break;
      }
    }
  }
}

bool HomeFileParser::Finish() {
  // A field the bytes stopped in (an unterminated quote included) is ended
  // by the end of the file.
  if (state_ == State::Plain || state_ == State::Quoted || state_ == State::AfterQuote) EndField();
  state_ = State::FieldStart;
  return replaced_;
}

bool ParseHomeFile(std::string_view bytes, HomeTable& table) {
  HomeFileParser parser(table);
  parser.Feed(bytes);
  return parser.Finish();
}

}  // namespace morvane
