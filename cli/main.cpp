// morvane-cli: the locator calculator for shells, scripts and logs.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/adif_command.h"
#include "cli/commands.h"
#include "cli/crosscheck_command.h"
#include "cli/edi_command.h"
#include "cli/line_reader.h"
#include "cli/station_commands.h"
#include "cli/position_text.h"
#include "locator/grid.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/signals.h"
#include "settings/home_store.h"

namespace {

using namespace morvane;
using namespace morvane::cli;

constexpr int kOk = 0, kRefused = 1, kUsage = 2;

constexpr const char* kHelp = R"(Usage: morvane-cli COMMAND [OPTIONS] [OPERANDS]

QRA (Maidenhead) locators for shells, scripts and logs, with the numbers and
words of the Morvane window.

Commands:
  locator LATITUDE LONGITUDE   position to locator
      morvane-cli locator 48.8566 2.3522          -> JN18EU
      Each axis is one argument: decimal degrees with a sign (-2.3522), a
      hemisphere letter before or after (N48.8566, 2.3522W, s33.9), degrees,
      minutes and seconds (48°51'24"N, 48:51:24N, 48d51m24s) or degrees and
      decimal minutes ("N48 51.400"). Numbers always use ".".
  position LOCATOR...          centre of the locator's cell
      morvane-cli position jn18eu                 -> North 48 51 15 ...
  path BASE TARGET             azimuth from BASE and distance
      morvane-cli path JN18EU FN20XR              -> 292 5847 km
  adif [FILE]                  fill DISTANCE (and ANT_AZ) into an ADIF log
      morvane-cli adif --my JN18EU log.adi > filled.adi
  rotate BASE TARGET           turn the antenna (rotctld) to the azimuth
      morvane-cli rotate JN18EU FN20XR            -> rotated to 292 (from 10)
      morvane-cli rotate --azimuth 292
  listen                       the decodes of a digital-mode program (its UDP
                               messages), each with azimuth and distance
      morvane-cli listen --my JN18EU              -> 14:03:15 K1ABC FN42 ...
  edi [FILE]                   check (or --fill) the QSO points of a REG1TEST
                               contest log: 111.2 km per degree, km + 1
      morvane-cli edi contest.edi                 -> the claims that differ
      morvane-cli edi --fill --in-place contest.edi
  crosscheck DIR | FILE...     cross-check the REG1TEST logs of whole contests:
                               a verdict for every QSO line (UBN), the
                               results table; see "Cross-check" below
      morvane-cli crosscheck --csv results.csv --ubn ubn/ logs/

Locators have 2, 4, 6, 8 or 10 characters (lower case is fine). A shorter
locator stands for the centre of its cell: 2 characters a field (20 x 10
degrees), 4 a square (2 x 1 degrees), 6 a sub-square, 8 adds a digit pair
(30 x 15 seconds), 10 a letter pair A-X dividing that 24 x 24.

Without operands (or with "-"), each line of standard input is one case:
its words separated by blanks, or by one tab or comma.
      printf 'JN18EU FN20XR\nIO91WM QF56OD\n' | morvane-cli path

Options:
  --precision N   locator: 2, 4, 6 (default), 8 or 10 characters
                      morvane-cli locator --precision 10 48.8566 2.3522
  --miles         path: miles instead of kilometres, as the window shows them:
                  truncated to hundredths, no trailing zeros (3633.93, 3.1)
                      morvane-cli path --miles JN18EU FN20XR
  --home          path, adif: BASE is your saved home locator (user.ini)
                      morvane-cli path --home FN20XR
  --long          path: the long path (azimuth + 180, the rest of the circle)
                      morvane-cli path --long JN18EU FN20XR
  --ellipsoid     path, adif: WGS84 geodesic, 0.1 km and 0.1 degree
                      morvane-cli path --ellipsoid JN18EU FN20XR
  --json          one JSON object per line
                      morvane-cli position --json JN18EU
  --header        a header line naming the tab-separated columns
                      morvane-cli path --header JN18EU FN20XR
  --my LOCATOR    adif: the station's own locator when a record has none
                      morvane-cli adif --my JN18EU log.adi
  --azimuth       adif: also add ANT_AZ, the azimuth to the other station
                      morvane-cli adif --my JN18EU --azimuth log.adi
  --overwrite     adif: replace DISTANCE (and ANT_AZ) fields already there
                      morvane-cli adif --my JN18EU --overwrite log.adi
  -o OUT          adif, edi --fill: write the log to OUT instead of standard output (a
                  device or pipe is written into; a file is replaced safely)
                      morvane-cli adif --my JN18EU -o filled.adi log.adi
  --in-place      adif, edi --fill: replace FILE, safely, with the filled log
                      morvane-cli adif --home --in-place log.adi
  --fill          edi: write the log with every QSO's points and CQSOP,
                  CToSc and CODXC set to the rule's values
                      morvane-cli edi --fill -o filled.edi contest.edi
  --rotator HOST:PORT
                  rotate: where rotctld listens (default localhost:4533;
                  [IPv6]:PORT too)
  --azimuth AZ    rotate: turn to this bearing (0 to 360) instead
  --no-wait       rotate: send the azimuth and return at once
  --tolerance DEG rotate, listen: near enough, as bearings (default 2)
  --timeout S     rotate: give up when the antenna has come no nearer for S
                  seconds (default 10); listen: wait S for each answer
                  of the rotator
  --port N        listen: the UDP port (default 2237), bound alone
  --group ADDR    listen: share the port and join this multicast group on
                  loopback and every interface up (239.255.0.1)
  --interface NAME
                  listen --group: join on this interface only
  --log FILE.adi  listen: mark decodes new square, new call or worked on
                  their band, from this log, followed as it grows
  --cq, --new, --min-km N, --bearing FROM-TO, --min-snr N
                  listen: only CQs, new squares, stations N km away or
                  more, within the bearings, or at least N dB
  --summary FILE.csv
                  listen: the squares heard on each band, written on exit
                  and SIGUSR1 (and always on standard error); never the log,
                  and no file but an earlier summary unless --force
  --alert         listen: a bell (and a desktop notification) for each new
                  square on its band
  --watch CALL    listen: an alert whenever CALL is heard (CALL,CALL... too)
  --exec PROGRAM  listen: run PROGRAM for each alert, the decode in its
                  environment (MORVANE_CALL, MORVANE_LOCATOR, ...); no shell
  --highlight     listen: colour new squares, watched calls and --turn's
                  station in the program's band activity
  --sat           listen --log: satellite QSOs count as worked
  --rotate HOST:PORT
                  listen: turn the antenna to the station the operator picks
                      morvane-cli listen --my JN18EU --rotate localhost:4533
  --turn CALL     listen --rotate: turn to CALL whenever it is heard
  --id NAME       listen --rotate: follow this program instance (default:
                  the first heard)
  --settle S      listen --rotate: seconds between turns at least (10)
  --from ADDRESS  listen: also hear datagrams from this address or network
                  (192.168.1.0/24); only this machine's are heard otherwise
  --scoring km, --force
                  edi --fill: fill a log whose claims follow another rule
                  (most QSOs disagree) with the km rule all the same;
                  without it such a log is refused
                      morvane-cli edi --fill --scoring km -o km.edi rings.edi
  --band-multiplier N
                  edi: multiply every QSO's points by N (default: the
                  second number of the log's CQSOs)
                      morvane-cli edi --band-multiplier 2 contest.edi

Cross-check (crosscheck): the logs are grouped by band (PBand normalised)
and contest date (QSO dates within 2 days); each QSO is paired with the
other side's (portable prefixes and suffixes ignored, nearest time first)
and judged: ok, nil, busted_call, busted_locator, busted_exchange, time,
duplicate, no_log, unique, invalid, outside_period, superseded. Points as
edi gives them (or --scoring ring). Each default names the rule it follows:
  --tolerance MIN     time difference that still counts (default 10: IARU
                      R1 rules void a QSO more than 10 minutes off)
  --loser receiver|both
                      who loses a busted QSO (default receiver: only the
                      side that copied wrongly, as the Czech rules and UBN
                      practice have it)
  --report-check, --no-report-check
                      compare the R and S of the report (default on; the
                      third character is never an error: Czech rules)
  --uniques count|drop, --no-log count|drop
                      QSOs with stations that sent no log (default count:
                      IARU R1 since 2014)
  --penalty VERDICT=K a line of that verdict claimed with points costs K
                      times them (default duplicate=10: IARU R1 2001)
  --scoring km|ring   km: int(d) + 1 (default); ring: OK Activity, 2 in
                      the own big square, 1 more per ring, times squares
  --period START-END  QSOs outside it are outside_period (08:00-11:00,
                      or 202609051400-202609061400; periods with commas);
                      paired first, so a partner's line past the end costs
                      this side nothing
  --duplicates per-contest|per-period
                      a station worked once in the contest (default) or
                      once in each period
  --end-minute excluded|counts
                      whether a QSO at the end minute is in the period
                      (default excluded: IARU R1; OK Activity counts it)
  --resubmission newest|most-lines
                      a station's two logs for a band: the one sent last
                      (by file time; default), or the one with more lines;
                      the other is superseded and not ranked
  --band-multiplier N, or BAND=N,BAND=N...
                      points times N, on every band or on the bands named
                      (432=5,1.3GHz=10; default 1). The contest's rule: a
                      log's own CQSOs is its claim only, said where it
                      differs
  --rules FILE        the contest's rules in one file (TOML: each key an
                      option's name, name = and source = for the results;
                      [[section]] tables for the contest's own sections;
                      options given here override it). Files for the IARU
                      R1 VHF contests, the Czech national contests and OK
                      Activity are in /usr/share/morvane/contests
  --band FILE=BAND    check that log on BAND, whatever its PBand says (a
                      PBand that names no VHF band is otherwise checked on
                      the band its partners are on, and said so)
  --json              one object per QSO line, one per log, then the contest
  --csv FILE, --html FILE
                      the results table, as robots publish it
  --ubn DIR           one UBN report per entrant and band, CALL_BAND.txt
                      and CALL_BAND.html
      morvane-cli crosscheck --tolerance 5 --loser both --json logs/ > v.json

  -h, --help      this text;  --version  the version

Exit status: 0 all answered, 1 a case (or record) refused or a file error,
2 a usage error. crosscheck: 0 when the run worked (verdicts are data),
1 when a log could not be read at all.
)";

// The options that only switch something on.
bool* Flag(Options& o, const std::string& name) {
  const std::pair<const char*, bool*> flags[] = {
      {"--miles", &o.miles},         {"--home", &o.home},         {"--long", &o.longPath},
      {"--ellipsoid", &o.ellipsoid}, {"--json", &o.json},         {"--header", &o.header},
      {"--azimuth", &o.azimuth},     {"--overwrite", &o.overwrite}, {"--in-place", &o.inPlace},
      {"--fill", &o.fill},           {"--alert", &o.alert},       {"--highlight", &o.highlight},
      {"--sat", &o.satellite},       {"--force", &o.force},
  };
  for (const auto& [flag, value] : flags)
    if (name == flag) return value;
  return nullptr;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "morvane-cli: %s\nTry 'morvane-cli --help'.\n", message.c_str());
  return kUsage;
}

// The saved home locator as the window would put it in its base box, if
// there is one; where points at the user.ini read.
std::optional<std::string> SavedHome(std::string& where) {
  const HomeStore store = HomeStore::ForThisProgram();
  HomeTable table;
  store.Read(table);
  where = store.readPath();
  const std::string slot = UpperCase(table[kHomeLocatorSlot]);
  if (!CheckLocator(slot)) return std::nullopt;
  return slot.substr(0, 6);
}

// The base locator of --home.
bool ReadHomeBase(std::string& base) {
  std::string where;
  const auto home = SavedHome(where);
  if (!home) {
    std::fprintf(stderr, "morvane-cli: --home: no home locator saved in %s (save one with Morvane)\n", where.c_str());
    return false;
  }
  base = *home;
  return true;
}

int RunCases(Command command, const std::vector<std::string>& operands, const Context& context) {
  Output out(stdout);
  if (context.options.header) {
    out << HeaderLine(command);
    out.EndLine();
  }
  bool refused = false;
  const auto answer = [&](const std::vector<std::string_view>& words, std::string_view input, const char* where) {
    if (const auto message = Answer(command, words, context, out)) {
      refused = true;
      WriteRefusal(input, *message, context, out);
      out.Flush();  // keeps the error beside the lines before it on a terminal
      // fwrite, so that a NUL byte does not cut the echoed input short.
      std::fputs(where, stderr);
      std::fwrite(input.data(), 1, input.size(), stderr);
      std::fprintf(stderr, ": %s\n", message->c_str());
    }
  };

  const bool batch = operands.empty() || (operands.size() == 1 && operands[0] == "-");
  if (!batch) {
    if (command == Command::Position) {  // several locators, one case each
      for (const std::string& o : operands) answer({o}, o, "morvane-cli: ");
    } else {
      std::vector<std::string_view> words(operands.begin(), operands.end());
      std::string input;
      for (const std::string& o : operands) input += (input.empty() ? "" : " ") + o;
      answer(words, input, "morvane-cli: ");
    }
  } else {
    LineReader reader(STDIN_FILENO);
    // A program that sends a line and waits for its answer gets it.
    reader.BeforeWaiting([&] { out.Flush(); });
    LineReader::Line line;
    std::vector<std::string_view> words;  // reused: no allocation per line
    long number = 0;
    char where[32];
    while (reader.Next(line)) {
      std::snprintf(where, sizeof where, "line %ld: ", ++number);
      if (line.tooLong) {
        refused = true;
        const std::string shown = std::string(line.text) + "...";
        const std::string message = "longer than " + std::to_string(LineReader::kMaxLine) + " bytes";
        WriteRefusal(shown, message, context, out);
        out.Flush();
        std::fprintf(stderr, "%s%s: %s\n", where, shown.c_str(), message.c_str());
        continue;
      }
      SplitLine(line.text, words);
      answer(words, line.text, where);
    }
    if (reader.failed()) {
      std::fprintf(stderr, "morvane-cli: cannot read standard input: %s\n", std::strerror(errno));
      refused = true;
    }
  }
  if (!out.Flush()) {
    std::fprintf(stderr, "morvane-cli: cannot write the output: %s\n", std::strerror(errno));
    return kRefused;
  }
  return refused ? kRefused : kOk;
}

}  // namespace

int main(int argc, char* argv[]) {
  platform::IgnoreFileSizeLimit();  // a size limit fails a write instead of killing us
  platform::SetUpStandardStreams();
  const std::vector<std::string> args = platform::Arguments(argc, argv);
  if (args.empty()) return Usage("no command");

  Context context;
  Options& o = context.options;
  std::vector<std::string> operands;
  std::string commandName;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    // The argument after an option that takes one.
    const auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
    if (optionsEnd || a == "-" || a.empty() || a[0] != '-' ||
        (a.size() > 1 && (a[1] == '.' || (a[1] >= '0' && a[1] <= '9')))) {
      // A negative number ("-2.3522") is an operand, not an option.
      if (commandName.empty())
        commandName = a;
      else
        operands.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnd = true;
    } else if (a == "-h" || a == "--help") {
      std::fputs(kHelp, stdout);
      return kOk;
    } else if (a == "--version") {
      std::printf("morvane-cli %s\n", MORVANE_VERSION);
      return kOk;
    } else if (a == "--precision") {
      const std::string* v = value();
      if (!v || !(*v == "2" || *v == "4" || *v == "6" || *v == "8" || *v == "10"))
        return Usage("--precision takes 2, 4, 6, 8 or 10");
      o.precision = std::stoi(*v);
    } else if (a == "--azimuth" && commandName == "rotate") {
      const std::string* v = value();
      if (!v || v->empty()) return Usage("--azimuth needs a bearing");
      o.bearing = *v;
    } else if (a == "--no-wait") {
      o.noWait = true;
    } else if (a == "--rotator" || a == "--rotate" || a == "--group") {
      const std::string* v = value();
      if (!v || v->empty()) return Usage(a + " needs an address");
      (a == "--rotator" ? o.rotator : a == "--rotate" ? o.rotateTo : o.group) = *v;
    } else if (a == "--port" || a == "--timeout" || a == "--settle") {
      const std::string* v = value();
      char* end = nullptr;
      const double n = v ? std::strtod(v->c_str(), &end) : 0;
      if (!v || end == v->c_str() || *end != '\0' || !(n > 0 || (a == "--settle" && n == 0)) || !(n < 1e6) ||
          (a == "--port" && (n > 65535 || n != std::floor(n))))
        return Usage(a == "--port" ? "--port takes a UDP port (1 to 65535)" : a + " takes seconds");
      if (a == "--port") o.port = static_cast<int>(n);
      else if (a == "--settle") o.settle = n;
      else o.timeout = n;
    } else if (bool* flag = Flag(o, a)) {
      *flag = true;
    } else if (a == "--band-multiplier") {
      const std::string* v = value();
      if (v && v->find('=') != std::string::npos && commandName == "crosscheck") {
        o.crosscheck.bandMultipliers = *v;  // BAND=N,... read with the rules
        continue;
      }
      if (!v || v->empty() || v->size() > 6 || v->find_first_not_of("0123456789") != std::string::npos || std::stol(*v) < 1)
        return Usage("--band-multiplier takes a whole number from 1");
      o.bandMultiplier = std::stol(*v);
    } else if (a == "--scoring") {
      const std::string* v = value();
      if (!v || v->empty()) return Usage("--scoring takes km (or ring, for crosscheck)");
      o.scoring = *v;
    } else if (a == "--rules" && commandName == "crosscheck") {
      const std::string* v = value();
      if (!v || v->empty()) return Usage("--rules needs a file");
      o.crosscheck.rulesFile = *v;
    } else if (a == "--band" && commandName == "crosscheck") {
      const std::string* v = value();
      if (!v || v->find('=') == std::string::npos) return Usage("--band takes FILE=BAND (ok1abc.edi=144)");
      o.crosscheck.bands.push_back(*v);
    } else if (a == "--loser" || a == "--uniques" || a == "--no-log" || a == "--penalty" || a == "--period" ||
               a == "--end-minute" || a == "--duplicates" || a == "--resubmission" || a == "--csv" || a == "--html" || a == "--ubn") {
      const std::string* v = value();
      if (!v || v->empty()) return Usage(a + " needs a value");
      Options::Crosscheck& c = o.crosscheck;
      if (a == "--penalty") c.penalties.push_back(*v);
      else (a == "--loser" ? c.loser : a == "--uniques" ? c.uniques : a == "--no-log" ? c.noLog
            : a == "--period" ? c.period : a == "--end-minute" ? c.endMinute
            : a == "--duplicates" ? c.duplicates
            : a == "--resubmission" ? c.resubmission : a == "--csv" ? c.csv
            : a == "--html" ? c.html : c.ubn) = *v;
    } else if (a == "--tolerance" || a == "--interface" || a == "--from" || a == "--id" || a == "--log" ||
               a == "--summary" || a == "--turn" || a == "--watch" || a == "--exec" ||
               (a == "--bearing" && commandName == "listen")) {
      const std::string* v = value();
      if (!v || v->empty()) return Usage(a + " needs a value");
      if (a == "--from") o.from.push_back(*v);
      else if (a == "--exec") o.exec = *v;
      else if (a == "--watch")
        for (std::size_t at = 0; at <= v->size();) {  // one call, or several with commas
          const std::size_t comma = std::min(v->find(',', at), v->size());
          if (comma > at) o.watch.push_back(v->substr(at, comma - at));
          at = comma + 1;
        }
      else (a == "--tolerance" ? o.tolerance : a == "--interface" ? o.interface : a == "--id" ? o.id
            : a == "--log" ? o.log : a == "--summary" ? o.summary : a == "--turn" ? o.turnCall : o.bearing) = *v;
    } else if (a == "--cq" || a == "--new") {
      (a == "--cq" ? o.cqOnly : o.newOnly) = true;
    } else if (a == "--min-km" || a == "--min-snr") {
      const std::string* v = value();
      char* end = nullptr;
      const double n = v ? std::strtod(v->c_str(), &end) : 0;
      if (!v || end == v->c_str() || *end != '\0' || !std::isfinite(n) || (a == "--min-km" && n < 0) ||
          (a == "--min-snr" && (n != std::floor(n) || std::fabs(n) > 100)))
        return Usage(a == "--min-km" ? "--min-km takes kilometres" : "--min-snr takes a whole number of dB");
      if (a == "--min-km") o.minKm = n;
      else o.minSnr = static_cast<int>(n);
    } else if (a == "--report-check" || a == "--no-report-check") {
      o.crosscheck.reportCheck = a == "--report-check";
    } else if (a == "--my") {
      const std::string* v = value();
      if (!v || v->empty()) return Usage("--my needs a locator");
      o.my = *v;
    } else if (a == "-o") {
      const std::string* v = value();
      if (!v || v->empty()) return Usage("-o needs a file name");
      o.out = *v;
    } else {
      return Usage("unknown option " + a);
    }
  }

  Command command;
  if (commandName == "locator") command = Command::Locator;
  else if (commandName == "position") command = Command::Position;
  else if (commandName == "path") command = Command::Path;
  else if (commandName == "adif") command = Command::Adif;
  else if (commandName == "edi") command = Command::Edi;
  else if (commandName == "rotate") command = Command::Rotate;
  else if (commandName == "listen") command = Command::Listen;
  else if (commandName == "crosscheck") command = Command::Crosscheck;
  else return Usage(commandName.empty() ? "no command" : "unknown command " + commandName);

  // Options that do not belong to the command are mistakes, not no-ops.
  const bool logOutput = o.inPlace || !o.out.empty();
  if (o.precision != 6 && command != Command::Locator) return Usage("--precision is for locator");
  const bool path = command == Command::Path, rotate = command == Command::Rotate, listen = command == Command::Listen;
  if (o.miles && !path && !listen) return Usage("--miles is for path and listen");
  if (o.longPath && !path && !rotate && !listen) return Usage("--long is for path, rotate and listen");
  if (o.home && !path && !rotate && command != Command::Adif) return Usage("--home is for path, rotate and adif");
  if (o.ellipsoid && !path && !listen && command != Command::Adif) return Usage("--ellipsoid is for path, adif and listen");
  if (!o.my.empty() && !listen && command != Command::Adif) return Usage("--my is for adif and listen");
  if ((o.azimuth || o.overwrite) && command != Command::Adif) return Usage("--azimuth and --overwrite are for adif");
  if (o.header && (rotate || listen)) return Usage("--header is not for rotate and listen");
  if (o.json && rotate) return Usage("--json is not for rotate");
  const bool crosscheck = command == Command::Crosscheck;
  if (o.fill && command != Command::Edi) return Usage("--fill is for edi");
  if (o.bandMultiplier && command != Command::Edi && !crosscheck) return Usage("--band-multiplier is for edi and crosscheck");
  if (o.crosscheck.given() && !crosscheck) return Usage("--tolerance, --loser, --uniques, --no-log, --penalty, --period, --end-minute, --duplicates, --resubmission, "
                                                        "--report-check, --csv, --html and --ubn are for crosscheck");
  if (command == Command::Edi) o.forceKmRule = o.force;
  if (command == Command::Edi && !o.scoring.empty()) {
    if (o.scoring != "km") return Usage("--scoring takes km (111.2 km per degree, km + 1 points)");
    o.forceKmRule = true;
  }
  if (!o.scoring.empty() && command != Command::Edi && !crosscheck) return Usage("--scoring is for edi --fill and crosscheck");
  if (crosscheck && o.header) return Usage("--header is not for crosscheck");
  if (o.force && !o.fill && !listen) return Usage("--force is for edi --fill and listen --summary");
  if (o.forceKmRule && !o.fill) return Usage("--force and --scoring are for edi --fill");
  if (logOutput && command != Command::Adif && !(command == Command::Edi && o.fill))
    return Usage("-o and --in-place are for adif and edi --fill");
  if (o.json && o.fill) return Usage("--json is for checking, not --fill");
  if (o.header && command == Command::Edi) return Usage("--header is not for edi");
  if ((o.json || o.header) && command == Command::Adif) return Usage("--json and --header are not for adif");
  if (o.json && o.header) return Usage("--header is for tab-separated output, not --json");
  if (o.longPath && o.ellipsoid) return Usage("--long and --ellipsoid cannot be combined");
  if (o.home && !o.my.empty()) return Usage("--home and --my cannot be combined");

  const bool rotateOnly = !o.rotator.empty() || (!o.bearing.empty() && !listen) || o.noWait;
  const bool listenOnly = o.port != 2237 || !o.group.empty() || !o.rotateTo.empty() || !o.interface.empty() ||
                          !o.from.empty() || !o.id.empty() || o.settle != 10 || !o.log.empty() || !o.summary.empty() ||
                          !o.turnCall.empty() || o.cqOnly || o.newOnly || o.minKm >= 0 || o.minSnr || o.alert ||
                          o.highlight || o.satellite || !o.watch.empty() || !o.exec.empty();
  if (!o.tolerance.empty() && !rotate && !listen && !crosscheck) return Usage("--tolerance is for rotate, listen and crosscheck");
  if (!o.interface.empty() && o.group.empty()) return Usage("--interface is for listen --group");
  if (rotateOnly && command != Command::Rotate) return Usage("--rotator, --azimuth AZ and --no-wait are for rotate");
  if (listenOnly && command != Command::Listen)
    return Usage("--port, --group, --interface, --from, --rotate, --id, --settle, --log, --summary, --turn, --cq, "
                 "--new, --min-km, --min-snr, --alert, --watch, --exec, --highlight and --sat are for listen");
  if (o.timeout != 10 && command != Command::Rotate && command != Command::Listen)
    return Usage("--timeout is for rotate and listen");

  if (crosscheck) return RunCrosscheck(context, operands);
  if (o.home && !ReadHomeBase(context.homeBase)) return kRefused;
  if (command == Command::Rotate) return RunRotate(context, operands);
  if (command == Command::Listen) {
    if (!operands.empty()) return Usage("listen takes no operands");
    if (!o.my.empty() && !ReadLocator(o.my)) return Usage("--my " + o.my + ": " + std::string(kLocatorIncorrect));
    // The home locator, if one is saved, is the last base to fall back on.
    std::string where;
    if (o.my.empty() && context.homeBase.empty()) context.homeBase = SavedHome(where).value_or("");
    return RunListen(context);
  }
  if (command == Command::Adif || command == Command::Edi) {
    if (operands.size() > 1) return Usage(commandName + " takes one FILE at most");
    if (o.inPlace && !o.out.empty()) return Usage("-o and --in-place cannot be combined");
    if (o.inPlace && (operands.empty() || operands[0] == "-")) return Usage("--in-place needs a FILE");
    const std::string file = operands.empty() ? std::string("-") : operands[0];
    return command == Command::Adif ? RunAdif(context, file) : RunEdi(context, file);
  }
  return RunCases(command, operands, context);
}
