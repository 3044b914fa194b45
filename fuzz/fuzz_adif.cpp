// The ADIF filler on any bytes: it ends; the bytes it copies are the input
// byte for byte when it only adds fields; and the quick reading of fields,
// with the writing on a thread of its own, gives what the careful loop
// alone gives (the records seen, the output, the counts, the warnings), whether
// the bytes come whole or in two pieces cut where the first byte says.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logs/adif.h"
#include "logs/adif_records.h"

namespace {

struct Run {
  std::string copied, output, seen, warnings;
  long decided = 0, records = 0, damaged = 0, empty = 0;
};

Run Fill(std::string_view input, std::size_t cut, bool quick, bool replace, bool threaded = false) {
  using namespace morvane;
  Run run;
  std::string digit;  // the edit's view lasts past the decision
  adif::Filler::SetQuickForTesting(quick);
  adif::Filler filler(
      [&](const adif::Record& r, long number) {
        ++run.decided;
        // Views must lie inside the record being read: touch every byte.
        std::size_t sum = 0;
        run.seen += std::to_string(number) + ':';
        for (const auto* f : {&r.gridsquare, &r.gridsquareExt, &r.myGridsquare, &r.myGridsquareExt, &r.distance, &r.antAz}) {
          if (*f) {
            for (char c : (*f)->data) sum += static_cast<unsigned char>(c);
            run.seen.append((*f)->name).append((*f)->type).append((*f)->data);
          }
          run.seen += '|';
        }
        digit = std::to_string(sum % 10);
        return adif::Edit{digit, r.antAz ? "" : "1", replace && (sum & 16) != 0, replace && (sum & 32) != 0};
      },
      [&](std::string_view bytes, bool added) {
        if (!added) run.copied.append(bytes);
        run.output.append(bytes);
      },
      [&](const std::string& line) { run.warnings += line + '\n'; }, threaded);
  filler.Feed(input.substr(0, cut));
  filler.Feed(input.substr(cut));
  filler.Finish();
  run.records = filler.records();
  run.damaged = filler.damaged();
  run.empty = filler.empty();
  adif::Filler::SetQuickForTesting(true);
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = size ? data[0] % (size + 1) : 0;
  const Run added = Fill(input, cut, true, false);
  if (added.copied != input) std::abort();
  if (added.decided > added.records) std::abort();
  const Run quick = Fill(input, cut, true, true, true);
  const Run careful = Fill(input, size, false, true);
  if (quick.output != careful.output || quick.seen != careful.seen || quick.warnings != careful.warnings ||
      quick.records != careful.records || quick.damaged != careful.damaged || quick.empty != careful.empty)
    std::abort();
  // The reader that follows a growing log: the records it gives do not
  // depend on where the bytes were cut.
  const auto records = [&](std::size_t at) {
    std::vector<morvane::adif::RecordReader::Fields> all;
    morvane::adif::RecordReader reader([&](const morvane::adif::RecordReader::Fields& f) { all.push_back(f); });
    reader.Feed(input.substr(0, at));
    reader.Feed(input.substr(at));
    return all;
  };
  if (records(cut) != records(size)) std::abort();
  return 0;
}
