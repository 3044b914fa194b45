// The decodes' datagram reader, a session taking what it reads, and the
// rotator's state reader on any bytes: they end, never read past the
// datagram, what they accept is whole, and a session's lines carry calls
// and locators only.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "locator/precision.h"
#include "station/decodes.h"
#include "station/rotator.h"
#include "station/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto d = station::ReadDatagram(bytes)) {
    if (d->kind == station::Datagram::Kind::Decode && d->milliseconds >= 24u * 3600 * 1000) std::abort();
    if (const auto heard = station::HeardIn(d->message); heard && !CheckLocatorOfLength(heard->locator)) std::abort();
    // One session for the whole run, as for an evening of datagrams.
    static station::Worked log;
    static station::Session session(
        [] {
          station::SessionOptions o;
          o.home = "JN18EU";
          o.turnCall = "K1ABC";
          return o;
        }(),
        [](const std::string&, const std::string&) { return station::Path{90, 100}; });
    session.SetLog(&log);
    const auto r = session.Take(*d);
    if (session.instances() > station::kMaxInstances) std::abort();
    if (r.line && (!station::CallSign(r.line->call) || !CheckLocatorOfLength(r.line->locator))) std::abort();
  }
  std::vector<std::string> lines;
  for (std::size_t from = 0; from <= bytes.size();) {
    const std::size_t nl = bytes.find('\n', from);
    lines.emplace_back(bytes.substr(from, nl == std::string_view::npos ? nl : nl - from));
    if (nl == std::string_view::npos) break;
    from = nl + 1;
  }
  if (const auto r = station::ParseDumpState(lines)) {
    if (!(r->minAzimuth < r->maxAzimuth)) std::abort();
    for (int bearing : {0, 90, 180, 270, 359})
      if (const auto a = station::AzimuthInRange(bearing, *r, 0); a && (*a < r->minAzimuth || *a > r->maxAzimuth))
        std::abort();
  }
  return 0;
}
