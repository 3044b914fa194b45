// The commands of morvane-cli: each answers one case (the operands, or one
// line of standard input) with one line of output, or refuses it with the
// window's words.
#pragma once

#include <optional>

#include <string>
#include <string_view>
#include <vector>

#include "cli/output.h"
#include "contest/section.h"
#include "locator/great_circle.h"
#include "locator/position_text.h"

namespace morvane::cli {

enum class Command { Locator, Position, Path, Adif, Edi, Rotate, Listen, Crosscheck };

struct Options {
  int precision = 6;
  bool miles = false;
  bool longPath = false;
  bool ellipsoid = false;
  bool json = false;
  bool header = false;
  bool home = false;
  std::string my;  // adif: the station's own locator
  bool azimuth = false;
  bool overwrite = false;
  bool inPlace = false;
  std::string out;
  bool fill = false;         // edi: write the log with the points filled in
  long bandMultiplier = 0;   // edi: 0 takes it from the log's CQSOs
  bool forceKmRule = false;  // edi --fill: over claims that follow another rule
  std::string rotator;       // rotate: where the rotator listens, HOST:PORT
  std::string bearing;       // rotate --azimuth: turn to this bearing; listen --bearing FROM-TO
  bool noWait = false;       // rotate: send the azimuth and return
  double timeout = 10;       // rotate: seconds without coming nearer before giving up; listen: for each answer
  std::string tolerance;     // rotate, listen: degrees (default 2); crosscheck: minutes (default 10)
  std::string interface;     // listen --group: join on this interface only
  std::vector<std::string> from;  // listen: senders accepted besides this machine
  std::string id;            // listen --rotate: the program instance to follow
  double settle = 10;        // listen --rotate: seconds between turns at least
  std::string log;           // listen: the ADIF log that marks decodes new or worked
  std::string summary;       // listen: the CSV file of the squares heard
  std::string turnCall;      // listen --turn: turn to this station when heard
  std::vector<std::string> watch;  // listen --watch: calls that raise an alert when heard
  std::string exec;          // listen --exec: the program run for each alert
  bool alert = false;        // listen --alert: a bell and a notification for each new square
  bool highlight = false;    // listen --highlight: colour new squares in the program's band activity
  bool satellite = false;    // listen --sat: satellite QSOs count as worked
  bool force = false;        // edi --fill: over claims of another rule; listen: replace any --summary file
  bool cqOnly = false, newOnly = false;  // listen filters
  double minKm = -1;
  std::optional<int> minSnr;
  int port = 2237;           // listen: the UDP port
  std::string group;         // listen: a multicast group to join
  std::string rotateTo;      // listen --rotate: where the rotator listens, HOST:PORT
  std::string scoring;       // edi --fill: km; crosscheck: km or ring
  // crosscheck: the rules as given (empty: the default) and the reports.
  struct Crosscheck {
    std::string loser, uniques, noLog, period, endMinute, duplicates;
    std::string bandMultipliers;         // BAND=N,BAND=N
    std::string resubmission;            // newest, most-lines
    std::vector<std::string> penalties;  // VERDICT=K
    std::vector<std::string> bands;      // FILE=BAND: the manager's band for a log
    int reportCheck = -1;                // -1: not given
    std::string csv, html, ubn;
    std::string rulesFile;                // --rules FILE
    std::string contestName, rulesSource;  // from the rules file: the results' title and where the rules come from
    std::vector<contest::SectionRule> sections;  // from the rules file; empty: SINGLE, MULTI and CHECK
    bool given() const {
      return !loser.empty() || !uniques.empty() || !noLog.empty() || !period.empty() || !endMinute.empty() ||
             !duplicates.empty() ||
             !bandMultipliers.empty() || !resubmission.empty() ||
             !penalties.empty() || !bands.empty() || reportCheck >= 0 || !csv.empty() || !html.empty() || !ubn.empty() ||
             !rulesFile.empty();
    }
  } crosscheck;
};

// What a command needs besides the case: the options and, for path with
// --home, the base locator read from user.ini.
struct Context {
  Options options;
  std::string homeBase;
};

// The words of a batch line: split at tabs if it has any, else at commas,
// else at runs of blanks.
// The second form reuses the vector's memory.
std::vector<std::string_view> SplitLine(std::string_view line);
void SplitLine(std::string_view line, std::vector<std::string_view>& words);

// Answers one case: writes its result line to out and returns nullopt, or
// returns the message of the refusal (nothing written).
std::optional<std::string> Answer(Command command, const std::vector<std::string_view>& words,
                                  const Context& context, Output& out);

// The line --header prints for a command.
std::string_view HeaderLine(Command command);

// A refused case in the output, so lines still pair up with the input.
void WriteRefusal(std::string_view input, std::string_view message, const Context& context,
                  Output& out);

// The locator of the great-circle computations: upper-cased, 2 to 10
// characters. nullopt when it is not one.
using morvane::ReadLocator;

inline constexpr std::string_view kLocatorIncorrect = "Introduced QRA locator incorrect";

// Distance and azimuth between two accepted locators, as the options ask:
// the window's numbers, the long path, or the WGS84 geodesic.
struct PathResult {
  double azimuth;
  double distance;  // in kilometres, or miles with miles set
};
// A result as shown: tenths on the ellipsoid, else the window's form.
std::string ShownResult(double value, bool ellipsoid);

PathResult ComputePath(std::string_view base, std::string_view target, bool longPath,
                       bool ellipsoid, bool miles);

// ComputePath for many pairs: the last base's sines and cosines are kept, as
// a log's records mostly share one station grid.
class PathComputer {
 public:
  PathComputer(bool longPath, bool ellipsoid, bool miles);
  PathResult operator()(std::string_view base, std::string_view target);

 private:
  bool longPath_, ellipsoid_, miles_;
  std::string base_;
  std::optional<AzimuthDistanceFrom> from_;
};

}  // namespace morvane::cli
