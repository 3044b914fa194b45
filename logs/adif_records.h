// An ADIF log read for what its records hold, not to rewrite it: each
// record's fields by name, from pieces of any size, so that a log that
// grows as QSOs are logged can be followed. Tags that cannot be read are
// passed over; memory is bounded by the longest record. Standard C++ only.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace morvane::adif {

class RecordReader {
 public:
  // Field names upper-cased; the data as written.
  using Fields = std::map<std::string, std::string>;
  explicit RecordReader(std::function<void(const Fields&)> take) : take_(std::move(take)) {}
  void Feed(std::string_view bytes);

  // A record longer than this is dropped, not held.
  static constexpr std::size_t kMaxRecordBytes = 1 << 20;

 private:
  std::function<void(const Fields&)> take_;
  std::string pending_;
  Fields fields_;
};

}  // namespace morvane::adif
