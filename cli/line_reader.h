// Lines of standard input for the batch commands, read in large blocks with
// no allocation per line. A line longer than kMaxLine is not held: its
// first bytes are kept for the message and the rest is skipped, so memory
// stays flat whatever the input.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace morvane::cli {

class LineReader {
 public:
  static constexpr std::size_t kMaxLine = 64 * 1024;
  static constexpr std::size_t kShownStart = 64;  // of a line too long

  explicit LineReader(int fd);

  struct Line {
    std::string_view text;  // without "\n" or "\r\n"; the start only when tooLong
    bool tooLong;
  };
  // The next line, or false at the end of the input (or a read error, with
  // errno set and failed() true).
  bool Next(Line& line);
  bool failed() const { return failed_; }
  // Called before a read that would wait for more input (a pipe or a
  // terminal with nothing in it yet), so that answers so far can go out to
  // whoever waits for them before sending more. Never for a file.
  void BeforeWaiting(std::function<void()> call) { beforeWaiting_ = std::move(call); }

 private:
  bool Fill();  // reads more after end_; false at the end of the input
  std::size_t Read(std::size_t at);  // one read into buffer_[at...]; 0 at the end

  int fd_;
  std::function<void()> beforeWaiting_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false, failed_ = false;
};

}  // namespace morvane::cli
