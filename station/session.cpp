#include "station/session.h"

#include <cmath>

#include "locator/ascii.h"
#include "locator/position_text.h"
#include "locator/precision.h"
#include "station/rotator.h"

namespace morvane::station {
namespace {

}  // namespace

Session::Session(SessionOptions options, PathFunction path)
    : o_(std::move(options)), path_(std::move(path)), logged_(o_.countSatellite), followed_(o_.followed) {}

Session::Instance& Session::InstanceOf(const std::string& id) {
  auto it = instances_.find(id);
  if (it == instances_.end()) {
    // A sender that makes up a new id for every datagram costs one instance.
    if (instances_.size() >= kMaxInstances) {
      auto oldest = instances_.end();
      for (auto i = instances_.begin(); i != instances_.end(); ++i)
        if (i->first != followed_ && (oldest == instances_.end() || i->second.heard < oldest->second.heard)) oldest = i;
      instances_.erase(oldest);
    }
    it = instances_.emplace(id, Instance{}).first;
  }
  it->second.heard = taken_;
  return it->second;
}

std::optional<std::string> Session::BaseOf(const std::string& id) const {
  if (!o_.my.empty()) return o_.my;
  if (const auto it = instances_.find(id); it != instances_.end() && !it->second.grid.empty()) return it->second.grid;
  if (!o_.home.empty()) return o_.home;
  return std::nullopt;
}

std::optional<Mark> Session::MarkOf(const std::string& call, const std::string& locator, const std::string& band) const {
  // Before the band is known, nothing can be said against the log.
  if (!log_ || band.empty()) return std::nullopt;
  Mark m;
  m.callWorked = log_->HasCall(band, call) || logged_.HasCall(band, call);
  m.newSquare = !log_->HasSquare(band, locator) && !logged_.HasSquare(band, locator);
  return m;
}

bool Session::Shows(const DecodeLine& l, bool cq) const {
  if (o_.cqOnly && !cq) return false;
  if (o_.newOnly && !(l.mark && l.mark->newSquare)) return false;
  if (l.path.distance < o_.minKm) return false;
  if (o_.minSnr && l.snr < *o_.minSnr) return false;
  if (o_.bearings) {
    const double from = o_.bearings->first, to = o_.bearings->second, a = Bearing(l.path.azimuth);
    if (from <= to ? (a < from || a > to) : (a < from && a > to)) return false;
  }
  return true;
}

Session::Result Session::Take(const Datagram& d) {
  ++taken_;
  using Kind = Datagram::Kind;
  switch (d.kind) {
    case Kind::Status: return TakeStatus(d);
    case Kind::Decode:
    case Kind::WsprDecode: return TakeDecode(d);
    case Kind::Close:
      instances_.erase(d.id);
      if (o_.followed.empty() && followed_ == d.id) {  // the next one heard is followed
        followed_.clear();
        picked_.clear();
      }
      return {};
    case Kind::QsoLogged: {
      Result r;
      if (d.propagation == "SAT" && !o_.countSatellite) return r;
      if (const auto call = CallSign(UpperCase(d.dxCall))) {
        logged_.Add(BandOf(d.frequency), *call, d.dxGrid);
        r.logged = true;
      }
      return r;
    }
    case Kind::LoggedAdif: {
      Result r;
      const std::size_t before = logged_.qsos();
      adif::RecordReader reader([this](const adif::RecordReader::Fields& f) { logged_.Add(f); });
      reader.Feed(d.adif);
      r.logged = logged_.qsos() > before;
      return r;
    }
    default: return {};
  }
}

Session::Result Session::TakeStatus(const Datagram& d) {
  Result r;
  Instance& instance = InstanceOf(d.id);
  if (const auto grid = ReadLocator(d.deGrid)) instance.grid = *grid;
  instance.frequency = d.frequency;
  instance.band = BandOf(d.frequency);
  instance.mode = d.mode;
  if (followed_.empty()) followed_ = d.id;  // the first instance heard is the one followed
  if (d.id != followed_) return r;
  const auto dx = ReadLocator(d.dxGrid);
  const std::string key = dx ? d.dxCall + " " + *dx : std::string();
  // A station picked anew, or picked again (Tx enabled once more): the
  // rotator's side decides whether the antenna must move.
  const bool picked = !key.empty() && (key != picked_ || (d.txEnabled && !txEnabled_));
  picked_ = key;
  txEnabled_ = d.txEnabled;
  if (!picked) return r;
  if (const auto from = BaseOf(d.id); from && *from != *dx) r.turn = TurnAsked{path_(*from, *dx).azimuth, key};
  return r;
}

Session::Result Session::TakeDecode(const Datagram& d) {
  Result r;
  ++decodes;
  if (!d.isNew) {  // a replay of decodes already sent, or of a recording
    ++replayed;
    return r;
  }
  const bool wspr = d.kind == Datagram::Kind::WsprDecode;
  std::optional<Heard> h;
  if (wspr) {
    const auto grid = ReadLocator(d.dxGrid);
    const auto call = CallSign(d.dxCall);
    if (grid && grid->size() <= 6 && call) h = Heard{*call, *grid};
  } else {
    h = HeardIn(d.message);
  }
  if (!h) return r;
  ++withLocator;
  const auto from = BaseOf(d.id);
  if (!from) {
    r.noBase = !warnedNoBase_;
    warnedNoBase_ = true;
    return r;
  }
  const auto it = instances_.find(d.id);
  const Instance* instance = it == instances_.end() ? nullptr : &it->second;
  DecodeLine l;
  l.id = d.id;
  l.milliseconds = d.milliseconds;
  l.band = wspr ? BandOf(d.frequency) : instance ? instance->band : std::string();
  l.frequency = wspr ? d.frequency : instance ? instance->frequency : 0;
  l.mode = wspr ? std::string("WSPR") : instance && !instance->mode.empty() ? instance->mode : ModeOfMark(d.mode);
  l.snr = d.snr;
  l.call = h->call;
  l.locator = h->locator;
  if (*from != h->locator) l.path = path_(*from, h->locator);
  heard_.Add(l.band, l.call, l.locator, l.snr, l.path.azimuth, l.path.distance);
  const bool turnTo = !o_.turnCall.empty() && SameLetters(l.call, o_.turnCall);
  if (turnTo && *from != h->locator) r.turn = TurnAsked{l.path.azimuth, l.call + " " + l.locator + " heard"};
  l.mark = MarkOf(l.call, l.locator, l.band);
  for (const std::string& w : o_.watch) l.watched = l.watched || SameLetters(l.call, w);
  if (!Shows(l, !wspr && d.message.rfind("CQ ", 0) == 0)) return r;
  r.alert = (l.mark && l.mark->newSquare) || l.watched;
  r.highlight = r.alert || turnTo;
  r.line = std::move(l);
  return r;
}

}  // namespace morvane::station
