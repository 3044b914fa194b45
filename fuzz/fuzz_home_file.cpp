// The user.ini reader on any bytes: it ends, and the table is either
// unchanged or holds a group that does not depend on what it held before.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/home_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const HomeTable before = {"a", "b", "c", "True", "d", "e", "f", "True", "JN18EU"};
  HomeTable first = before;
  HomeTable second;  // empty slots
  const bool replaced = ParseHomeFile(bytes, first);
  if (ParseHomeFile(bytes, second) != replaced) std::abort();
  if (!replaced && first != before) std::abort();
  if (replaced && first != second) std::abort();
  // Whatever was read can be written back unless it holds a double quote,
  // and then reads back the same.
  if (replaced && !FirstUnstorableSlot(first)) {
    HomeTable again;
    if (!ParseHomeFile(FormatHomeFile(first), again) || again != first) std::abort();
  }
  return 0;
}
