// Writing results: a large buffer written with fwrite, flushed per line only
// when standard output is a terminal; numbers in the C locale; JSON strings.
#pragma once

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

namespace morvane::cli {

class Output {
 public:
  explicit Output(std::FILE* file);
  ~Output() { Flush(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  Output& operator<<(std::string_view s) {
    buffer_.append(s);
    return *this;
  }
  Output& operator<<(char c) {
    buffer_.push_back(c);
    return *this;
  }
  // Bytes that are not lines (a log passed through): written in large blocks.
  void Write(std::string_view s) {
    buffer_.append(s);
    if (buffer_.size() >= kBlock) Flush();
  }
  // Ends a line: written out at once on a terminal, else in large blocks.
  void EndLine();
  // Writes what is buffered. Returns false if the file reported an error.
  bool Flush();
  // A write has failed since the start.
  bool failed() const { return failed_; }

 private:
  static constexpr std::size_t kBlock = 1 << 16;
  std::FILE* file_;
  std::string buffer_;
  bool perLine_;
  bool failed_ = false;
};

// Shortest text that reads back as the same double; "." always.
std::string Number(double value);
// Whole numbers and the like: at most 15 significant digits, no trailing
// zeros, as the window shows them.
std::string Shown(double value);
// A JSON string literal; bytes that are not valid UTF-8 become U+FFFD.
std::string JsonString(std::string_view s);
// A file name as a JSON string literal: a byte that is not valid UTF-8
// becomes the lone surrogate U+DC80 + byte, as Python's surrogateescape
// reads it, so that the file can still be found (os.fsencode).
std::string JsonFileName(std::string_view s);
// Text from a log as a terminal may show it: control bytes (ESC, CR, tabs
// that would shift the columns, DEL) written as \xNN, so that a log cannot
// rewrite the lines around it.
std::string Printable(std::string_view s);
// A CSV field as a spreadsheet reads it: quoted when it holds a comma, a
// quote or a line break, and made text (a leading ') when it would start a
// formula (=, +, -, @) unless it is a column of numbers that may be negative.
std::string CsvField(std::string_view s, bool guardFormula = true);

}  // namespace morvane::cli
