// The REG1TEST filler on any bytes, fed in two pieces cut where the first
// byte says: every line comes through, and a changed line differs only in
// its points field (field 11), the value of CQSOs, CQSOP, CToSc or CODXC,
// or the count of [QSORecords;N]. A second fill changes nothing.
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "logs/edi.h"
#include "cli/position_text.h"

namespace {

using namespace morvane;

std::string Fill(std::string_view input, std::size_t cut) {
  edi::Pass first({nullptr, nullptr, nullptr}, 0, std::nullopt);
  first.Feed(input);
  first.Finish();
  std::string out;
  edi::Pass second({[&](std::string_view b) { out += b; }, nullptr, nullptr}, 0, edi::FilledHeader(first.totals()));
  second.Feed(input.substr(0, cut));
  second.Feed(input.substr(cut));
  second.Finish();
  return out;
}

std::vector<std::string_view> Split(std::string_view s, char at) {
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    const std::size_t end = s.find(at, from);
    parts.push_back(s.substr(from, end == std::string_view::npos ? end : end - from));
    if (end == std::string_view::npos) return parts;
    from = end + 1;
  }
}

bool OnlyAllowedChange(std::string_view before, std::string_view after) {
  if (before == after) return true;
  const auto a = Split(before, ';'), b = Split(after, ';');
  if (a.size() == b.size() && a.size() >= 15) {
    bool same = true;
    for (std::size_t i = 0; i < a.size(); ++i) same = same && (i == 10 || a[i] == b[i]);
    if (same) return true;
  }
  const std::size_t equals = before.find('=');
  if (equals == std::string_view::npos || after.substr(0, equals + 1) != before.substr(0, equals + 1)) return false;
  // Keys are read with blanks, tabs and carriage returns trimmed.
  std::string_view name = before.substr(0, equals);
  const std::size_t first = name.find_first_not_of(" \t\r"), last = name.find_last_not_of(" \t\r");
  name = first == std::string_view::npos ? std::string_view() : name.substr(first, last - first + 1);
  const std::string key = cli::UpperCase(name);
  return key == "CQSOS" || key == "CQSOP" || key == "CTOSC" || key == "CODXC";
}

// The count of [QSORecords;N] may change, and nothing before it.
bool RecordCountChange(std::string_view before, std::string_view after) {
  const std::size_t open = before.find('[');
  if (open == std::string_view::npos || before.find_first_not_of(" \t\r") != open ||
      !morvane::SameLetters(before.substr(open, 11), "[QSORECORDS"))
    return false;
  const std::size_t end = std::min(before.find(';', open), before.find(']', open));
  return end != std::string_view::npos && after.substr(0, end) == before.substr(0, end);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = size ? data[0] % (size + 1) : 0;
  const std::string once = Fill(input, cut);
  const auto in = Split(input, '\n'), out = Split(once, '\n');
  if (in.size() != out.size()) std::abort();
  for (std::size_t i = 0; i < in.size(); ++i)
    if (!OnlyAllowedChange(in[i], out[i]) && !RecordCountChange(in[i], out[i])) std::abort();
  if (Fill(once, cut % (once.size() + 1)) != once) std::abort();
  return 0;
}
