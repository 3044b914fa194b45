#include "logs/adif_records.h"

#include "locator/ascii.h"

namespace morvane::adif {

void RecordReader::Feed(std::string_view bytes) {
  pending_.append(bytes);
  std::size_t at = 0;
  for (;;) {
    const std::size_t open = pending_.find('<', at);
    if (open == std::string::npos) {
      at = pending_.size();
      break;
    }
    const std::size_t close = pending_.find('>', open);
    if (close == std::string::npos) {
      at = open;  // the tag's end is still to come
      break;
    }
    const std::string_view tag = std::string_view(pending_).substr(open + 1, close - open - 1);
    const std::size_t colon = tag.find(':');
    const std::string name = UpperCase(tag.substr(0, colon));
    if (colon == std::string_view::npos) {
      if (name == "EOR" && !fields_.empty()) take_(fields_);
      if (name == "EOR" || name == "EOH") fields_.clear();
      at = close + 1;
      continue;
    }
    std::string_view length = tag.substr(colon + 1);
    length = length.substr(0, length.find(':'));
    std::size_t n = 0;
    bool digits = !length.empty() && length.size() <= 7;
    for (char c : length) digits = digits && c >= '0' && c <= '9', n = n * 10 + static_cast<std::size_t>(c - '0');
    if (!digits) {  // not a field tag: text
      at = open + 1;
      continue;
    }
    if (pending_.size() - (close + 1) < n) {
      at = open;  // its data is still to come
      break;
    }
    fields_[name] = pending_.substr(close + 1, n);
    at = close + 1 + n;
  }
  pending_.erase(0, at);
  if (pending_.size() > kMaxRecordBytes) {
    pending_.clear();
    fields_.clear();
  }
}

}  // namespace morvane::adif
