// The ADIF filler on any bytes, fed in two pieces cut where the first byte
// says: it ends, and the bytes it copies are the input, byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/adif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string copied;
  long decided = 0;
  adif::Filler filler(
      [&](const adif::Record& r, long) {
        ++decided;
        // Views must lie inside the record being read: touch every byte.
        std::size_t sum = 0;
        for (const auto* f : {&r.gridsquare, &r.gridsquareExt, &r.myGridsquare, &r.distance, &r.antAz})
          if (*f) for (char c : (*f)->data) sum += static_cast<unsigned char>(c);
        return adif::Edit{std::to_string(sum % 10), r.antAz ? "" : "1", false, false};
      },
      [&](std::string_view bytes, bool added) {
        if (!added) copied.append(bytes);
      },
      [](const std::string&) {});
  const std::size_t cut = size ? data[0] % (size + 1) : 0;
  filler.Feed(input.substr(0, cut));
  filler.Feed(input.substr(cut));
  filler.Finish();
  if (copied != input) std::abort();
  if (decided > filler.records()) std::abort();
  return 0;
}
