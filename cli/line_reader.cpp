#include "cli/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace morvane::cli {

LineReader::LineReader(int fd) : fd_(fd), buffer_(4 * kMaxLine) {}

std::size_t LineReader::Read(std::size_t at) {
  if (beforeWaiting_ && platform::InputWouldWait(fd_)) beforeWaiting_();
  for (;;) {
    const ssize_t n = read(fd_, buffer_.data() + at, buffer_.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0) return static_cast<std::size_t>(n);
    eof_ = true;
    failed_ = n < 0;
    return 0;
  }
}

bool LineReader::Fill() {
  if (eof_) return false;
  if (begin_ > 0) {  // keep the unread part at the front
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const std::size_t n = Read(end_);
  end_ += n;
  return n > 0;
}

bool LineReader::Next(Line& line) {
  std::size_t scanned = begin_;
  for (;;) {
    const void* nl = std::memchr(buffer_.data() + scanned, '\n', end_ - scanned);
    if (nl) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data());
      std::string_view text(buffer_.data() + begin_, at - begin_);
      begin_ = at + 1;
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      // Too long however it arrived, all at once or in pieces.
      line = text.size() > kMaxLine ? Line{text.substr(0, kShownStart), true} : Line{text, false};
      return true;
    }
    if (end_ - begin_ > kMaxLine + 1) break;  // no line end in sight, a CR aside
    scanned = end_;
    const std::size_t before = begin_;
    if (!Fill()) {
      if (end_ == begin_) return false;
      // The last line, without a line end.
      std::string_view text(buffer_.data() + begin_, end_ - begin_);
      begin_ = end_;
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      line = {text, false};
      return true;
    }
    scanned -= before;  // Fill moved the unread bytes to the front
  }
  // Too long: keep its start at the front, skip to its end.
  std::memmove(buffer_.data(), buffer_.data() + begin_, kShownStart);
  begin_ = 0;
  end_ = 0;
  while (!eof_) {
    const std::size_t n = Read(kShownStart);
    const char* data = buffer_.data() + kShownStart;
    if (const void* nl = std::memchr(data, '\n', n)) {
      begin_ = kShownStart + static_cast<std::size_t>(static_cast<const char*>(nl) - data) + 1;
      end_ = kShownStart + n;
      break;
    }
  }
  line = {std::string_view(buffer_.data(), kShownStart), true};
  if (eof_) begin_ = end_ = kShownStart;
  return true;
}

}  // namespace morvane::cli
