// morvane-cli against its floors, in one run:
//  - path over 1,000,000 generated pairs in batch, beside the core's own cost
//    for the same lines (two decodes and the azimuth-distance, lines read and
//    written with plain fread/fwrite);
//  - locator over 1,000,000 typed positions in batch (beside an earlier
//    morvane-cli, when given);
//  - adif --my JN18EU over a 200,000-record, 99 MB log (grids repeating, and
//    every record a pair of its own), beside cat FILE > /dev/null;
//  - peak resident memory for 100,000 and 1,000,000 path lines, and for a
//    20,000 and a 200,000-record log;
//  - edi checking and filling a 10,000-QSO contest log, and checking 1,000
//    small logs one process each;
//  - crosscheck --json over synthetic contests of 500 and 5,000 logs, about
//    200 QSOs each, written by the project's shared gen-contest tool
//    (MORVANE_GEN_CONTEST names another); goals 0.5 s of CPU and 100 MB,
//    5 s and 1 GB.
//   build/cli_bench build/morvane-cli [ROUNDS [path|locator|adif|edi|crosscheck [EARLIER_MORVANE_CLI]]]
// Runs of the commands compared are interleaved, one of each per round.
// MORVANE_BENCH_KEEP=1 keeps the generated logs for profiling.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "locator/locator.h"

namespace {

using namespace morvane;

// The floor of path: the same lines, the core's work, nothing else.
int FloorPath() {
  std::vector<char> in(1 << 20);
  std::string carry, out;
  std::size_t n;
  char number[32];
  const auto line = [&](std::string_view l) {
    const std::size_t space = l.find(' ');
    const std::string_view b = l.substr(0, space), t = l.substr(space + 1);
    if (!CheckLocator(b) || !CheckLocator(t)) return;
    const AzimuthDistance r = ComputeAzimuthDistance(LocatorToRadians(b), LocatorToRadians(t));
    out.append(b).append("\t").append(t).append("\t");
    out.append(number, std::snprintf(number, sizeof number, "%.0f\t%.0f\tkm\n", r.azimuth, r.kilometres));
  };
  while ((n = std::fread(in.data(), 1, in.size(), stdin)) > 0) {
    carry.append(in.data(), n);
    std::size_t start = 0, end;
    while ((end = carry.find('\n', start)) != std::string::npos) {
      line(std::string_view(carry).substr(start, end - start));
      start = end + 1;
    }
    carry.erase(0, start);
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
  }
  return 0;
}

std::string RandomLocator(std::mt19937& rng) {
  const auto pick = [&](char first, int count) {
    return static_cast<char>(first + std::uniform_int_distribution<int>(0, count - 1)(rng));
  };
  return {pick('A', 18), pick('A', 18), pick('0', 10), pick('0', 10), pick('A', 24), pick('A', 24)};
}

void WritePairs(const std::string& path, long lines) {
  std::mt19937 rng(11);
  std::FILE* f = std::fopen(path.c_str(), "w");
  for (long i = 0; i < lines; ++i) std::fprintf(f, "%s %s\n", RandomLocator(rng).c_str(), RandomLocator(rng).c_str());
  std::fclose(f);
}

// Positions as people type them: decimal degrees with a sign, and degrees,
// minutes and seconds with hemisphere letters, one in two.
void WritePositions(const std::string& path, long lines) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> lat(-89.99, 89.99), lon(-179.99, 179.99);
  std::FILE* f = std::fopen(path.c_str(), "w");
  for (long i = 0; i < lines; ++i) {
    const double y = lat(rng), x = lon(rng);
    if (i % 2) {
      std::fprintf(f, "%.5f %.5f\n", y, x);
    } else {
      const auto dms = [](double v, long& d, long& m, double& s) {
        v = std::fabs(v);
        d = long(v);
        m = long((v - d) * 60);
        s = ((v - d) * 60 - m) * 60;
      };
      long d1, m1, d2, m2;
      double s1, s2;
      dms(y, d1, m1, s1);
      dms(x, d2, m2, s2);
      std::fprintf(f, "%ld:%02ld:%05.2f%c %ld:%02ld:%05.2f%c\n", d1, m1, s1, y < 0 ? 'S' : 'N', d2, m2, s2,
                   x < 0 ? 'W' : 'E');
    }
  }
  std::fclose(f);
}

// A log as a common logger exports it: a header, one record of about 495
// bytes a line (28 fields, MY_GRIDSQUARE among them), CR LF. With distinct
// set, every record has a grid of its own; otherwise the grids come from
// 2,000, the nearer ones far more often, as in a real log.
void WriteLog(const std::string& path, long records, bool distinct = true) {
  std::mt19937 rng(13);
  std::vector<std::string> common;
  for (int i = 0; i < 2000; ++i) common.push_back(RandomLocator(rng));
  std::exponential_distribution<double> nearer(1.0 / 200);
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fprintf(f, "Generated for the benchmark\r\n<ADIF_VER:5>3.1.4 <PROGRAMID:5>bench <EOH>\r\n");
  for (long i = 0; i < records; ++i) {
    std::fprintf(
        f,
        "<CALL:6>K%05ld <QSO_DATE:8>20261201 <TIME_ON:6>183000 <TIME_OFF:6>183412 <BAND:3>20m "
        "<FREQ:9>14.250000 <MODE:3>SSB <RST_SENT:2>59 <RST_RCVD:2>57 <NAME:4>John <QTH:10>Springfield "
        "<GRIDSQUARE:6>%s <COUNTRY:13>United States <DXCC:3>291 <CQZ:1>5 <CONT:2>NA "
        "<STATION_CALLSIGN:5>F4ABC <OPERATOR:5>F4ABC <MY_GRIDSQUARE:6>JN18EU <TX_PWR:3>100 <QSL_SENT:1>N "
        "<QSL_RCVD:1>N <LOTW_QSL_SENT:1>Y <LOTW_QSL_RCVD:1>N <EQSL_QSL_SENT:1>Y <EQSL_QSL_RCVD:1>N "
        "<COMMENT:12>nice QSO 73 <APP_LOG_ID:5>%05ld <EOR>\r\n",
        i % 100000, distinct ? RandomLocator(rng).c_str() : common[std::min<std::size_t>(1999, std::size_t(nearer(rng)))].c_str(),
        i % 100000);
  }
  std::fclose(f);
}

// A REG1TEST log of the given number of QSOs with European locators, its
// claims right.
void WriteEdi(const std::string& path, long qsos) {
  std::mt19937 rng(17);
  const auto pick = [&](char first, int count) {
    return static_cast<char>(first + std::uniform_int_distribution<int>(0, count - 1)(rng));
  };
  std::FILE* f = std::fopen(path.c_str(), "w");
  std::fprintf(f, "[REG1TEST;1]\r\nPCall=OZ1ABC\r\nPWWLo=JO65FR\r\nCQSOs=%ld;1\r\nCQSOP=0\r\n[QSORecords;%ld]\r\n", qsos, qsos);
  for (long i = 0; i < qsos; ++i) {
    const std::string loc = {pick('I', 4), pick('M', 4), pick('0', 10), pick('0', 10), pick('A', 24), pick('A', 24)};
    std::fprintf(f, "260905;%04ld;DL%ldABC;1;59;%03ld;59;%03ld;;%s;;;N;N;\r\n", i % 2400, i % 10, i % 1000, i % 1000,
                 loc.c_str());
  }
  std::fprintf(f, "[END;bench]\r\n");
  std::fclose(f);
}

struct Run {
  double seconds;
  long peakKiB;
  double cpuSeconds;  // user and system
};

Run Measure(const std::vector<std::string>& argv, const std::string& input) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open(input.c_str(), O_RDONLY);
    const int out = open("/dev/null", O_WRONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto cpu = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return {seconds, usage.ru_maxrss, cpu(usage.ru_utime) + cpu(usage.ru_stime)};
}

// Runs each command once per round, in turn, so that a slow spell of the
// machine falls on all of them alike; the median of each.
std::vector<Run> Interleaved(int rounds, const std::vector<std::pair<std::vector<std::string>, std::string>>& runs) {
  std::vector<std::vector<Run>> all(runs.size());
  for (int r = 0; r < rounds; ++r)
    for (std::size_t i = 0; i < runs.size(); ++i) all[i].push_back(Measure(runs[i].first, runs[i].second));
  std::vector<Run> medians;
  for (auto& each : all) {
    std::sort(each.begin(), each.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    medians.push_back(each[each.size() / 2]);
  }
  return medians;
}

Run Median(int rounds, const std::vector<std::string>& argv, const std::string& input) {
  return Interleaved(rounds, {{argv, input}})[0];
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc > 1 && std::strcmp(argv[1], "--floor-path") == 0) return FloorPath();
  if (argc < 2) {
    std::fprintf(stderr, "usage: cli_bench MORVANE_CLI [ROUNDS [path|locator|adif|edi|crosscheck [EARLIER_MORVANE_CLI]]]\n");
    return 2;
  }
  const std::string cli = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string only = argc > 3 ? argv[3] : "";
  const std::string earlier = argc > 4 ? argv[4] : "";  // adif beside an earlier build
  const auto wanted = [&](const char* section) { return only.empty() || only == section; };
  char dirTemplate[] = "/tmp/morvane-cli-bench-XXXXXX";
  const std::string dir = mkdtemp(dirTemplate);
  const std::string self = "/proc/self/exe";
  char selfPath[4096];
  const ssize_t len = readlink(self.c_str(), selfPath, sizeof selfPath - 1);
  selfPath[len > 0 ? len : 0] = '\0';

  if (wanted("path")) {
    WritePairs(dir + "/pairs-1m", 1000000);
    WritePairs(dir + "/pairs-100k", 100000);
    const Run path = Median(rounds, {cli, "path"}, dir + "/pairs-1m");
    const Run floor = Median(rounds, {selfPath, "--floor-path"}, dir + "/pairs-1m");
    std::printf("path, 1,000,000 pairs:   morvane-cli %.3f s, floor %.3f s, ratio %.2fx (goal 1.5x)\n", path.seconds,
                floor.seconds, path.seconds / floor.seconds);
    const Run small = Median(1, {cli, "path"}, dir + "/pairs-100k");
    std::printf("path peak RSS:           %ld KiB for 100,000 lines, %ld KiB for 1,000,000\n", small.peakKiB,
                path.peakKiB);
  }

  if (wanted("locator")) {
    WritePositions(dir + "/positions-1m", 1000000);
    std::vector<std::pair<std::vector<std::string>, std::string>> runs = {{{cli, "locator"}, dir + "/positions-1m"}};
    if (!earlier.empty()) runs.push_back({{earlier, "locator"}, dir + "/positions-1m"});
    const std::vector<Run> r = Interleaved(rounds, runs);
    std::printf("locator, 1,000,000 positions: %.3f s", r[0].seconds);
    if (!earlier.empty()) std::printf("; earlier %.3f s, %.2fx", r[1].seconds, r[0].seconds / r[1].seconds);
    std::printf("\n");
  }

  if (wanted("adif")) {
    WriteLog(dir + "/log-200k", 200000);
    WriteLog(dir + "/log-200k-repeating", 200000, false);
    WriteLog(dir + "/log-20k", 20000);
    const std::vector<std::string> fill = {cli, "adif", "--my", "JN18EU"};
    std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{"/bin/cat"}, dir + "/log-200k"}, {fill, dir + "/log-200k-repeating"}, {fill, dir + "/log-200k"}};
    if (!earlier.empty()) {
      const std::vector<std::string> before = {earlier, "adif", "--my", "JN18EU"};
      runs.push_back({before, dir + "/log-200k-repeating"});
      runs.push_back({before, dir + "/log-200k"});
    }
    const std::vector<Run> r = Interleaved(rounds, runs);
    const double cat = r[0].seconds;
    std::printf("adif, 200,000 records, 99 MB: cat %.3f s (goal 8x); --my JN18EU, medians of %d:\n", cat, rounds);
    const char* logs[] = {"grids repeating as in a real log", "every record a pair of its own"};
    for (int i = 0; i < 2; ++i) {
      std::printf("  %-34s %.3f s, %.2fx cat", logs[i], r[1 + i].seconds, r[1 + i].seconds / cat);
      if (!earlier.empty()) std::printf("; earlier %.3f s, %.2fx cat", r[3 + i].seconds, r[3 + i].seconds / cat);
      std::printf("\n");
    }
    const Run small = Median(1, fill, dir + "/log-20k");
    std::printf("adif peak RSS:           %ld KiB for 20,000 records, %ld KiB for 200,000 (%.0f MB/s)\n", small.peakKiB,
                r[2].peakKiB, 99.0 / r[2].seconds);
  }

  if (wanted("edi")) {
    WriteEdi(dir + "/contest.edi", 10000);
    WriteEdi(dir + "/small.edi", 150);
    const Run check = Median(rounds, {cli, "edi", dir + "/contest.edi"}, "/dev/null");
    const Run fill = Median(rounds, {cli, "edi", "--fill", dir + "/contest.edi"}, "/dev/null");
    std::printf("edi, 10,000 QSOs:        check %.1f ms, fill %.1f ms (goal 50 ms), peak RSS %ld KiB\n",
                check.seconds * 1000, fill.seconds * 1000, fill.peakKiB);
    const auto thousand = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) Measure({cli, "edi", dir + "/small.edi"}, "/dev/null");
    const double all = std::chrono::duration<double>(std::chrono::steady_clock::now() - thousand).count();
    std::printf("edi over 1,000 logs:     %.2f s in all, %.2f ms a log of 150 QSOs (a process each)\n", all, all);
  }
  if (wanted("crosscheck")) {
    const char* gen = std::getenv("MORVANE_GEN_CONTEST");
    const std::string tool = gen ? gen : MORVANE_SOURCE_DIR "/../shared/tools/gen-contest";
    // The shared 500-log contest, and one ten times its size: the time must
    // grow with the logs, not with their square (goals 0.5 s and 100 MB, 5 s and 1 GB).
    for (const auto& [logs, goal, memory] : {std::tuple{500, "0.5 s", "100 MB"}, std::tuple{5000, "5 s", "1 GB"}}) {
      const std::string folder = dir + "/contest" + std::to_string(logs);
      if (std::system(("/usr/bin/python3 " + tool + " " + folder + " --logs " + std::to_string(logs) + " --qsos 200")
                          .c_str()) != 0) {
        std::fprintf(stderr, "cli_bench: %s could not write the contest\n", tool.c_str());
        break;
      }
      const Run run = Median(logs > 500 ? 1 : rounds, {cli, "crosscheck", "--json", folder}, "/dev/null");
      std::printf("crosscheck, %d logs, ~%d QSOs, --json: %.3f s CPU, %.3f s elapsed (goal %s), peak RSS %ld KiB"
                  " (goal %s)\n", logs, logs * 200, run.cpuSeconds, run.seconds, goal, run.peakKiB, memory);
    }
  }
  if (!std::getenv("MORVANE_BENCH_KEEP")) std::system(("rm -rf " + dir).c_str());
  else std::printf("logs kept in %s\n", dir.c_str());
  return 0;
}
