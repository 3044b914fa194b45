// The antenna rotator, through Hamlib's rotator network protocol as rotctld
// speaks it: one command a line, answers one value a line or "RPRT n".
// Standard C++ and POSIX sockets over nothing else, so that the protocol's
// parsing can be tested and fuzzed alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"

namespace morvane::station {

// Hamlib's default rotctld port.
inline constexpr int kDefaultRotatorPort = 4533;

// No rotator turns further than this either side of north; a range past
// it is not read.
inline constexpr double kMaxRotatorAzimuth = 720;

// What a rotator can reach, from \dump_state.
struct RotatorRange {
  double minAzimuth = 0, maxAzimuth = 360, minElevation = 0, maxElevation = 90;
};
// Reads \dump_state's reply, either protocol: "min_az=-180.000000" lines
// (protocol 1) or bare numbers after the protocol and model lines (0).
std::optional<RotatorRange> ParseDumpState(const std::vector<std::string>& lines);

// The azimuth to send so that the antenna points at bearing (0 to 360): of
// bearing + k * 360 within the range, the one nearest to where it is now
// (the shorter turn on a rotator of more than 360 degrees). nullopt when the
// range holds none (a rotator of less than a full turn, the bearing outside).
std::optional<double> AzimuthInRange(double bearing, const RotatorRange& range, double current);

// An azimuth as a bearing, 0 to 360; how far apart two point, as bearings,
// 0 to 180 (a reading of 359 is 2 degrees from 1).
double Bearing(double azimuth);
double BearingsApart(double a, double b);

// What an "RPRT n" error means, in Hamlib's words ("invalid parameter").
std::string_view ErrorMeaning(int code);

// "HOST:PORT", "HOST", ":PORT", "[IPv6]:PORT", "[IPv6]" or a bare IPv6
// address; false for anything else.
bool ParseAddress(std::string_view text, std::string& host, int& port);

class RotatorClient {
 public:
  RotatorClient() = default;
  ~RotatorClient();
  RotatorClient(const RotatorClient&) = delete;
  RotatorClient& operator=(const RotatorClient&) = delete;

  // Connects within timeoutSeconds; false with error() set
  // ("connection refused; start rotctld").
  bool Connect(const std::string& host, int port, double timeoutSeconds);
  // Sends one command and reads its answer: with lines 0, lines until
  // "RPRT n" or "done" (\dump_state; six lines in the older protocol);
  // otherwise the count expected (2 for "p"), which a report may not cut short. false on a
  // dropped connection, a time-out or "RPRT n" with n != 0 (error() says which).
  bool Ask(const std::string& command, std::vector<std::string>& answer, std::size_t lines, double timeoutSeconds);
  bool Position(double& azimuth, double& elevation, double timeoutSeconds);
  bool Range(RotatorRange& range, double timeoutSeconds);
  bool Point(double azimuth, double elevation, double timeoutSeconds);
  bool Stop(double timeoutSeconds);
  const std::string& error() const { return error_; }
  // A wait for an answer ends early ("interrupted") once *flag is set, by a
  // signal handler or by another thread.
  void SetInterrupt(const volatile int* flag) { interrupt_ = flag; }

 private:
  bool ReadLine(std::string& line, double timeoutSeconds);
  const volatile int* interrupt_ = nullptr;
  platform::Socket socket_ = platform::kNoSocket;
  std::string pending_, error_;
};

// Where rotctld listens.
struct RotatorAddress {
  std::string host;
  int port = kDefaultRotatorPort;
};

// The first steps of every turn: connect, read the range and where the
// antenna points (azimuth), and send the azimuth that reaches bearing the
// shorter way; nothing when the antenna is already within near degrees of
// it (as bearings).
enum class Begun { Sent, NoAnswer, OutOfRange, NotSent, AlreadyThere };
Begun BeginTurn(RotatorClient& client, const RotatorAddress& rotator, double bearing, double seconds, double& azimuth,
                RotatorRange& range, double near = -1);

}  // namespace morvane::station
