#include "station/rotator.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <algorithm>
#include <cstring>

namespace morvane::station {
namespace {

std::optional<double> Number(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// "RPRT n": n, or nullopt for any other line.
std::optional<int> Report(std::string_view line) {
  if (line.substr(0, 5) != "RPRT ") return std::nullopt;
  const auto n = Number(line.substr(5));
  return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

using Clock = std::chrono::steady_clock;
int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}
Clock::time_point After(double seconds) {
  return Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
}

}  // namespace

std::optional<RotatorRange> ParseDumpState(const std::vector<std::string>& lines) {
  RotatorRange r;
  int named = 0;
  const std::pair<const char*, double*> keys[] = {
      {"min_az=", &r.minAzimuth}, {"max_az=", &r.maxAzimuth}, {"min_el=", &r.minElevation}, {"max_el=", &r.maxElevation}};
  for (const std::string& line : lines)
    for (const auto& [key, value] : keys)
      if (line.compare(0, std::strlen(key), key) == 0) {
        const auto v = Number(std::string_view(line).substr(std::strlen(key)));
        if (!v) return std::nullopt;
        *value = *v;
        ++named;
      }
  if (named == 0) {  // protocol 0: protocol, model, then the four numbers
    if (lines.size() < 6) return std::nullopt;
    double* values[] = {&r.minAzimuth, &r.maxAzimuth, &r.minElevation, &r.maxElevation};
    for (int i = 0; i < 4; ++i) {
      const auto v = Number(lines[2 + i]);
      if (!v) return std::nullopt;
      *values[i] = *v;
    }
  } else if (named < 4) {
    return std::nullopt;
  }
  if (!(r.minAzimuth < r.maxAzimuth) || !(r.minElevation <= r.maxElevation) || r.minAzimuth < -kMaxRotatorAzimuth ||
      r.maxAzimuth > kMaxRotatorAzimuth)
    return std::nullopt;
  return r;
}

std::optional<double> AzimuthInRange(double bearing, const RotatorRange& range, double current) {
  std::optional<double> best;
  // Every turn of the bearing that the range can hold (a range is at most
  // kMaxRotatorAzimuth either side of north, so there are a few).
  const double first = bearing + 360 * std::ceil((range.minAzimuth - bearing) / 360);
  for (int turn = 0; turn < 8; ++turn) {
    const double a = first + 360 * turn;
    if (a > range.maxAzimuth) break;
    if (!best || std::fabs(a - current) < std::fabs(*best - current)) best = a;
  }
  return best;
}

std::string_view ErrorMeaning(int code) {
  static constexpr std::string_view kMeanings[] = {
      "no error", "invalid parameter", "invalid configuration", "memory shortage", "function not implemented",
      "communication timed out", "input/output error", "internal Hamlib error", "protocol error",
      "command rejected by the rotator", "command performed, but its argument truncated", "function not available",
      "target not available", "error talking on the bus", "collision on the bus", "invalid rotator handle",
      "invalid VFO", "argument out of range", "function deprecated", "security error", "rotator not powered on",
      "limit exceeded", "access denied"};
  const int n = code < 0 ? -code : code;
  return n < static_cast<int>(std::size(kMeanings)) ? kMeanings[n] : std::string_view("unknown error");
}

bool ParseAddress(std::string_view text, std::string& host, int& port) {
  if (text.empty()) return false;
  std::size_t colon = text.rfind(':');
  if (text.front() == '[') {  // "[::1]:4533", "[::1]"
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    host = std::string(text.substr(1, close - 1));
    if (close + 1 == text.size()) return true;
    if (text[close + 1] != ':') return false;
    colon = close + 1;
  } else {
    // Two colons or more and no brackets: a bare IPv6 address, no port.
    if (colon != std::string_view::npos && text.find(':') != colon) {
      host = std::string(text);
      return true;
    }
    host = std::string(text.substr(0, colon));
    if (host.empty()) host = "localhost";
    if (colon == std::string_view::npos) return true;
  }
  const auto n = Number(text.substr(colon + 1));
  if (!n || *n < 1 || *n > 65535 || *n != std::floor(*n)) return false;
  port = static_cast<int>(*n);
  return true;
}

RotatorClient::~RotatorClient() { platform::CloseSocket(socket_); }

bool RotatorClient::Connect(const std::string& host, int port, double timeoutSeconds) {
  const std::string where = host + ":" + std::to_string(port);
  std::string resolverError, why;
  socket_ = platform::ConnectTcp(host, port, static_cast<int>(timeoutSeconds * 1000), resolverError, why);
  if (!resolverError.empty()) {
    error_ = "no rotator at " + where + ": " + resolverError;
    return false;
  }
  if (socket_ == platform::kNoSocket) {
    if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    error_ = "no rotator at " + where + ": " + why + "; start rotctld";
    return false;
  }
  return true;
}

bool RotatorClient::ReadLine(std::string& line, double timeoutSeconds) {
  const auto deadline = After(timeoutSeconds);
  for (;;) {
    if (const std::size_t nl = pending_.find('\n'); nl != std::string::npos) {
      line = pending_.substr(0, nl);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending_.erase(0, nl + 1);
      return true;
    }
    if (pending_.size() > 4096) {
      error_ = "the rotator's answer is not a line of its protocol";
      return false;
    }
    if (interrupt_ && *interrupt_) {
      error_ = "interrupted";
      return false;
    }
    // In slices, so that an interruption asked for from another thread is seen soon.
    const int left = MillisecondsLeft(deadline);
    const int rc = platform::WaitReadable(socket_, interrupt_ ? std::min(left, 100) : left);
    if (rc < 0 && errno == EINTR) continue;
    if (rc == 0 && left > 100 && interrupt_) continue;
    if (rc <= 0) {
      error_ = "the rotator did not answer within " + std::to_string(static_cast<int>(timeoutSeconds)) + " s";
      return false;
    }
    char buffer[1024];
    const long long n = platform::ReceiveSome(socket_, buffer, sizeof buffer);
    if (n == -1) continue;
    if (n <= 0) {
      error_ = "the rotator closed the connection";
      return false;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

bool RotatorClient::Ask(const std::string& command, std::vector<std::string>& answer, std::size_t lines,
                        double timeoutSeconds) {
  answer.clear();
  if (socket_ == platform::kNoSocket) {
    error_ = "not connected";
    return false;
  }
  const std::string out = command + "\n";
  if (std::string why; !platform::SendAll(socket_, out, why)) {
    error_ = "cannot send to the rotator: " + why;
    return false;
  }
  std::string line;
  while (lines == 0 || answer.size() < lines) {
    if (!ReadLine(line, timeoutSeconds)) return false;
    if (const auto rprt = Report(line)) {
      // An answer of so many lines cut short by a report is not the answer.
      if (*rprt == 0 && lines > 0 && answer.size() < lines) {
        error_ = "the rotator's answer to \"" + command + "\" was cut short";
        return false;
      }
      if (*rprt == 0) return true;
      error_ = "the rotator refused \"" + command + "\": RPRT " + std::to_string(*rprt) + " (" +
               std::string(ErrorMeaning(*rprt)) + ")";
      return false;
    }
    answer.push_back(line);
    if (lines == 0 && line == "done") return true;
    // The older protocol's \dump_state: "0", the model and four bare numbers, no "done".
    if (lines == 0 && answer.size() == 1 && line == "0") lines = 6;
  }
  return true;
}

bool RotatorClient::Position(double& azimuth, double& elevation, double timeoutSeconds) {
  std::vector<std::string> answer;
  if (!Ask("p", answer, 2, timeoutSeconds)) return false;
  const auto a = Number(answer[0]), e = Number(answer[1]);
  if (!a || !e) {
    error_ = "the rotator's position is not a number";
    return false;
  }
  azimuth = *a;
  elevation = *e;
  return true;
}

bool RotatorClient::Range(RotatorRange& range, double timeoutSeconds) {
  std::vector<std::string> answer;
  if (!Ask("\\dump_state", answer, 0, timeoutSeconds)) return false;
  const auto r = ParseDumpState(answer);
  if (!r) {
    error_ = "the rotator's range cannot be read from \\dump_state";
    return false;
  }
  range = *r;
  return true;
}

bool RotatorClient::Point(double azimuth, double elevation, double timeoutSeconds) {
  char command[64];
  std::snprintf(command, sizeof command, "P %.2f %.2f", azimuth, elevation);
  std::vector<std::string> answer;
  return Ask(command, answer, 0, timeoutSeconds);  // answered by its report alone
}

bool RotatorClient::Stop(double timeoutSeconds) {
  std::vector<std::string> answer;
  return Ask("S", answer, 0, timeoutSeconds);
}

double Bearing(double azimuth) {
  const double b = std::fmod(azimuth, 360);
  return b < 0 ? b + 360 : b;
}

double BearingsApart(double a, double b) {
  const double d = std::fabs(Bearing(a) - Bearing(b));
  return std::min(d, 360 - d);
}

Begun BeginTurn(RotatorClient& client, const RotatorAddress& rotator, double bearing, double seconds, double& azimuth,
                RotatorRange& range, double near) {
  double elevation = 0;
  if (!client.Connect(rotator.host, rotator.port, seconds) || !client.Range(range, seconds) ||
      !client.Position(azimuth, elevation, seconds))
    return Begun::NoAnswer;
  if (BearingsApart(azimuth, bearing) <= near) return Begun::AlreadyThere;
  const auto goal = AzimuthInRange(bearing, range, azimuth);
  if (!goal) return Begun::OutOfRange;
  return client.Point(*goal, std::clamp(elevation, range.minElevation, range.maxElevation), seconds) ? Begun::Sent
                                                                                                     : Begun::NotSent;
}

}  // namespace morvane::station
