// A growing run of bytes that input is read straight into: no zero-filling
// on growth (as std::string and std::vector would do), and the front that is
// done with dropped in one move.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace morvane::logs {

class ByteBuffer {
 public:
  const char* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }
  operator std::string_view() const { return {bytes_.get(), size_}; }

  // Room for n more bytes at the end; Grow(n) then counts them in.
  char* Room(std::size_t n) {
    if (capacity_ - size_ < n) {
      const std::size_t capacity = std::max(capacity_ * 2, size_ + n);
      auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
      if (size_ > 0) std::memcpy(bigger.get(), bytes_.get(), size_);
      bytes_ = std::move(bigger);
      capacity_ = capacity;
    }
    return bytes_.get() + size_;
  }
  void Grow(std::size_t n) { size_ += n; }
  void Append(std::string_view s) {
    if (s.empty()) return;
    std::memcpy(Room(s.size()), s.data(), s.size());
    size_ += s.size();
  }
  void DropFront(std::size_t n) {
    if (n < size_) std::memmove(bytes_.get(), bytes_.get() + n, size_ - n);
    size_ -= std::min(n, size_);
  }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0, capacity_ = 0;
};

}  // namespace morvane::logs
