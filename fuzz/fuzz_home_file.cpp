// The user.ini reader and writer on any bytes: reading ends, the table is
// either unchanged or holds a group that does not depend on what it held
// before, reading in two pieces gives what reading whole gives, and any
// table the writer accepts reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/home_file.h"

namespace {

using namespace morvane;

// Nine values cut out of the bytes at NUL bytes (missing ones empty).
HomeTable TableFrom(std::string_view bytes) {
  HomeTable t;
  for (std::size_t i = 0; i < kHomeSlots && !bytes.empty(); ++i) {
    const std::size_t end = bytes.find('\0');
    t[i] = std::string(bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const HomeTable before = {"a", "b", "c", "True", "d", "e", "f", "True", "JN18EU"};
  HomeTable first = before;
  HomeTable second;  // empty slots
  const bool replaced = ParseHomeFile(bytes, first);
  if (ParseHomeFile(bytes, second) != replaced) std::abort();
  if (!replaced && first != before) std::abort();
  if (replaced && first != second) std::abort();

  // Cut where the first byte says.
  const std::size_t cut = size ? data[0] % (size + 1) : 0;
  HomeTable pieces = before;
  HomeFileParser parser(pieces);
  parser.Feed(bytes.substr(0, cut));
  parser.Feed(bytes.substr(cut));
  if (parser.Finish() != replaced || pieces != first) std::abort();

  // Whatever was read, and any table made of the bytes, can be written back
  // unless it holds a double quote, and then reads back the same.
  for (const HomeTable& table : {first, TableFrom(bytes)}) {
    if (FirstUnstorableSlot(table)) continue;
    HomeTable again;
    if (!ParseHomeFile(FormatHomeFile(table), again) || again != table) std::abort();
  }
  return 0;
}
