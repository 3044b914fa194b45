// Filling ADIF logs: nothing of the input is lost, damaged logs are copied
// through with a warning, and the rules for which grids and fields are used.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "logs/adif.h"
#include "cli/adif_command.h"
#include "cli/commands.h"
#include "files/replacing_file.h"

namespace morvane {
namespace {

struct Filled {
  std::string output, copied, warnings;
  long records = 0, damaged = 0;
};

// Runs the filler, adding DISTANCE 1 and ANT_AZ 2 to every readable record
// (replacing them where the record has them, with replace), with the input
// fed in pieces of the given size.
Filled Fill(const std::string& input, std::size_t piece, bool threaded = false, bool replace = false) {
  Filled f;
  adif::Filler filler(
      [&](const adif::Record& r, long) { return adif::Edit{"1", "2", replace && r.distance, replace && r.antAz}; },
      [&](std::string_view bytes, bool added) {
        f.output.append(bytes);
        if (!added) f.copied.append(bytes);
      },
      [&](const std::string& w) { f.warnings += w + "\n"; }, threaded);
  for (std::size_t at = 0; at < input.size(); at += piece) filler.Feed(std::string_view(input).substr(at, piece));
  filler.Finish();
  f.records = filler.records();
  f.damaged = filler.damaged();
  return f;
}

struct LogCase {
  const char* name;
  std::string log;
  long records, damaged, filled;  // filled: records that got the new fields
};

const LogCase kLogs[] = {
    {"header, CR LF, upper case",
     "Exported log\r\n<ADIF_VER:5>3.1.4\r\n<PROGRAMID:4>Test\r\n<EOH>\r\n"
     "<CALL:5>K1ABC<GRIDSQUARE:4>FN42<EOR>\r\n<CALL:5>DL1AA<GRIDSQUARE:6>JO62QM<EOR>\r\n",
     2, 0, 2},
    {"no header, lower case, types, one line",
     "<call:5>VK2XY <gridsquare:6:s>QF56OD <qso_date:8:d>20261201 <eor><call:4>G4AA <eor>", 2, 0, 2},
    {"comments, user fields, Latin-1 and UTF-8 between and in fields",
     "ADIF export \xe9t\xe9 <eoh>\n// comment <not a tag>\n<APP_X_NOTE:7>caf\xc3\xa9 !<NAME:4>J\xf6rg<USERDEF1:3:N>123 junk"
     "\n<Eor>\n",
     1, 0, 1},
    {"a '<' in data and text", "<EOH><COMMENT:6>a<b>c <GRIDSQUARE:4>FN42 <EoR> < > <:3> <b>", 1, 0, 1},
    // A header's fields are read by their lengths: an <EOH> and a record in
    // PROGRAMID's data are data.
    {"a header field read by its length",
     "Log\n<PROGRAMID:36>x <EOH> <GRIDSQUARE:4>FN42 <EOR> yz <EOH><GRIDSQUARE:4>FN31 <EOR>", 1, 0, 1},
    {"blanks past 64 KiB, no header", std::string(70000, '\n') + "<GRIDSQUARE:4>FN42 <EOR>", 1, 0, 1},
    {"a run of digits too long to be a length", "<EOH><COMMENT:" + std::string(2000, '0') + "5>hello <EOR>", 1, 1, 0},
    {"a length of 1024 digits", "<EOH><COMMENT:" + std::string(1023, '0') + "5>hello <EOR>", 1, 0, 1},
    {"a length of 1025 digits", "<EOH><COMMENT:" + std::string(1024, '0') + "5>hello <EOR>", 1, 1, 0},
    {"a <DISTANCE> tag in NOTES' data is data", "<EOH><NOTES:15><DISTANCE:4>9999<GRIDSQUARE:4>FN42 <EOR>", 1, 0, 1},
    {"not a log at all", "just some text\n", 0, 1, 0},
    // A field's length says where its data ends, whatever the tag's size.
    {"zeros before a length", "<EOH><COMMENT:0000000000000000000000013>hello <EOR> x <EOR>", 1, 0, 1},
    {"an <EOR> quoted in data", "<COMMENT:13>hello <EOR> x <GRIDSQUARE:4>FN42 <EOR>", 1, 0, 1},
    {"a field tag that cannot be read", "<EOH><CALL:3>ABC <EOR><x:y> <CALL:3>DEF <EOR>", 2, 1, 1},
    {"byte-order mark and blanks, no header", "\xef\xbb\xbf\r\n <CALL:3>ABC <EOR>", 1, 0, 1},
    {"a header that starts with '<'", "<ADIF_VER:5>3.1.4 <PROGRAMID:6>MyLog <EOH>\n", 0, 0, 0},
    {"empty records", "<EOH><EOR><EOR><CALL:3>ABC <EOR>", 3, 0, 1},
    {"no final EOR", "<EOH><CALL:5>K1ABC <EOR><CALL:5>DL1AA <GRIDSQUARE:4>JO62", 2, 1, 1},
    {"length past the end", "<EOH><CALL:5>K1ABC <EOR><CALL:500>DL1AA <EOR>", 2, 1, 1},
    {"length swallows an EOR", "<EOH><CALL:20>K1ABC <EOR><CALL:5>DL1AA <EOR><CALL:2>G4 <EOR>", 2, 1, 1},
    {"no EOH after a header", "just text, no marker", 0, 1, 0},
    {"empty", "", 0, 0, 0},
    {"huge length", "<CALL:999999999999999>x<EOR>", 1, 1, 0},
};

TEST(AdifFiller, NothingOfTheInputIsLostWhereverItIsCut) {
  for (const LogCase& c : kLogs) {
    for (std::size_t piece : {1u, 3u, 7u, 64u, 1u << 20}) {
      const Filled f = Fill(c.log, piece);
      ASSERT_EQ(f.copied, c.log) << c.name << " in pieces of " << piece;
      EXPECT_EQ(f.records, c.records) << c.name;
      EXPECT_EQ(f.damaged, c.damaged) << c.name << "\n" << f.warnings;
      std::size_t added = 0;
      for (std::size_t at = 0; (at = f.output.find("<DISTANCE:1>1 <ANT_AZ:1>2 ", at)) != std::string::npos; ++at) ++added;
      EXPECT_EQ(added, std::size_t(c.filled)) << c.name;
    }
  }
}

// Long logs go through the quick reading of fields, and the writing through
// a thread of its own: neither changes a byte or a warning.
TEST(AdifFiller, QuickReadingAndWritingThreadChangeNothing) {
  const std::string records[] = {
      "<CALL:6>K12345 <QSO_DATE:8>20261201 <GRIDSQUARE:6>FN42ab <MY_GRIDSQUARE:4>JN18 <EOR>\r\n",
      "<call:5>G4ABC <station_callsign:5>G4ABC <my_gridsquare_ext:2>ab <gridsquare:4:S>IO91 <Distance:4>1234 <eor>\n",
      "<APP_VERY_LONG_USER_FIELD_NAME_X:3>abc <NOTE-1:2>xy <COMMENT:13>a <b> <EOR> c <GRIDSQUARE:4>JO62 <EOR>",
      "<COMMENT:0000000012>twelve bytes <ANT_AZ:2>90 <GRIDSQUARE:4>KN12 <DISTANCE:1>5 <EOR>",
      "<CALL:3>ABC <x:y> <GRIDSQUARE:4>FN31 <EOR>",
      "<CALL:20>K1ABC <EOR><CALL:5>DL1AA <EOR>",
      "<EOR>  <CALL:4>W1AW\t<GRIDSQUARE:6>FN31PR<EOR>",
      "<NOTES:13>quote this: <DISTANCE:4>9999 <GRIDSQUARE:4>FN31 <EOR>",  // the '<' is data
  };
  std::string log = "Exported\r\n<ADIF_VER:5>3.1.4 <EOH>\r\n";
  for (int i = 0; log.size() < 200000; ++i) log += records[(i * 5 + i / 7) % std::size(records)];
  for (bool replace : {false, true}) {
    adif::Filler::SetQuickForTesting(false);
    const Filled careful = Fill(log, 1 << 20, false, replace);
    adif::Filler::SetQuickForTesting(true);
    for (std::size_t piece : {4096u, 65536u, 1u << 20}) {
      for (bool threaded : {false, true}) {
        const Filled f = Fill(log, piece, threaded, replace);
        ASSERT_TRUE(f.output == careful.output) << piece << (threaded ? " threaded" : "");
        EXPECT_EQ(f.warnings, careful.warnings);
        EXPECT_EQ(f.records, careful.records);
      }
    }
  }
}

// A field whose data runs past the blocks the quick reading searched for
// '<' is read again carefully: a tag quoted at the end of its data stays data.
TEST(AdifFiller, AFieldPastTheQuickBlocksIsReadWhole) {
  const std::string record = "<NOTES:200>" + std::string(170, 'x') + "<DISTANCE:4>9999" + std::string(14, 'x') +
                             "<GRIDSQUARE:4>FN42 <EOR>";
  std::string fields;
  for (int i = 0; i < 40; ++i) fields += "<CALL:5>K1ABC ";
  const Filled alone = Fill("<EOH>" + record, 1 << 20, false, true);
  const Filled after = Fill("<EOH>" + fields + record, 1 << 20, false, true);
  EXPECT_EQ(after.output, "<EOH>" + fields + alone.output.substr(5));
  EXPECT_NE(alone.output.find("<DISTANCE:4>9999"), std::string::npos);
}

TEST(AdifFiller, ARecordTooLongToHoldIsCopiedThrough) {
  std::string log = "<EOH><CALL:3>AAA <EOR><NOTES:10>0123456789";
  log += std::string(adif::Filler::kMaxRecordBytes + 100, ' ');
  log += "<GRIDSQUARE:4>FN42 <EOR><CALL:3>BBB <EOR>";
  // A record just under the limit is read whole, one just over it copied,
  // whatever the size of the pieces the bytes come in.
  // The second record is exactly kMaxRecordBytes long, <EOR> included.
  std::string under = "<EOH><CALL:3>AAA <EOR><NOTES:10>0123456789";
  under += std::string(adif::Filler::kMaxRecordBytes - 44, ' ');
  under += "<GRIDSQUARE:4>FN42 <EOR><CALL:3>BBB <EOR>";
  std::string over = under;
  over.insert(over.find("<GRIDSQUARE"), 1, ' ');
  for (const auto& [input, damaged] : {std::pair{&log, 1}, {&under, 0}, {&over, 1}}) {
    for (std::size_t piece : {std::size_t(7000), std::size_t(1) << 16, std::size_t(131071), input->size()}) {
      const Filled f = Fill(*input, piece);
      EXPECT_EQ(f.copied, *input);
      EXPECT_EQ(f.records, 3);
      EXPECT_EQ(f.damaged, damaged) << "in pieces of " << piece << "\n" << f.warnings;
    }
  }
}

// The command on files: grids, own grids, kept and replaced fields.
class AdifCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("morvane-adif-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  static void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Run(const std::string& log, cli::Options o, int* status = nullptr) {
    Put(Path("in.adi"), log);
    o.out = Path("out.adi");
    const int rc = cli::RunAdif(cli::Context{o, ""}, Path("in.adi"));
    if (status) *status = rc;
    return Get(Path("out.adi"));
  }
  std::filesystem::path dir_;
};

TEST_F(AdifCommand, GridsAndFieldsUsed) {
  cli::Options my;
  my.my = "jn18eu";
  const struct {
    const char *name, *record, *expected;
  } cases[] = {
      {"six and six: the window's kilometres", "<GRIDSQUARE:6>FN20XR ", "<GRIDSQUARE:6>FN20XR <DISTANCE:4>5847 "},
      {"extension appended, lower case", "<gridsquare:6>fn20xr <GRIDSQUARE_EXT:2>55 ",
       "<gridsquare:6>fn20xr <GRIDSQUARE_EXT:2>55 <DISTANCE:4>5847 "},
      {"the record's own grid first", "<GRIDSQUARE:6>JN18EU <MY_GRIDSQUARE:6>FN20XR ",
       "<GRIDSQUARE:6>JN18EU <MY_GRIDSQUARE:6>FN20XR <DISTANCE:4>5847 "},
      {"an invalid own grid falls back to --my", "<GRIDSQUARE:6>FN20XR <MY_GRIDSQUARE:3>JN1 ",
       "<GRIDSQUARE:6>FN20XR <MY_GRIDSQUARE:3>JN1 <DISTANCE:4>5847 "},
      {"distance kept", "<DISTANCE:3>123 <GRIDSQUARE:6>FN20XR ", "<DISTANCE:3>123 <GRIDSQUARE:6>FN20XR "},
      {"bad grid skipped", "<GRIDSQUARE:5>FN20X ", "<GRIDSQUARE:5>FN20X "},
      {"two characters are too coarse", "<GRIDSQUARE:2>FN ", "<GRIDSQUARE:2>FN "},
      {"no grid skipped", "<CALL:4>G4AA ", "<CALL:4>G4AA "},
      {"the extension counts", "<GRIDSQUARE:6>FN20XR <GRIDSQUARE_EXT:2>00 ",
       "<GRIDSQUARE:6>FN20XR <GRIDSQUARE_EXT:2>00 <DISTANCE:4>5851 "},
      {"the own extension joins the own grid", "<GRIDSQUARE:6>FN20XR <MY_GRIDSQUARE:6>JN18EU <MY_GRIDSQUARE_EXT:2>00 ",
       "<GRIDSQUARE:6>FN20XR <MY_GRIDSQUARE:6>JN18EU <MY_GRIDSQUARE_EXT:2>00 <DISTANCE:4>5845 "},
      {"blanks trimmed from the grid", "<GRIDSQUARE:7>FN20XR ", "<GRIDSQUARE:7>FN20XR <DISTANCE:4>5847 "},
      {"and before its extension", "<GRIDSQUARE:7>FN20XR <GRIDSQUARE_EXT:2>00 ",
       "<GRIDSQUARE:7>FN20XR <GRIDSQUARE_EXT:2>00 <DISTANCE:4>5851 "},
      {"ten characters", "<GRIDSQUARE:10>FN20XR00AA ", "<GRIDSQUARE:10>FN20XR00AA <DISTANCE:4>5851 "},
      {"eight and a two-character extension", "<GRIDSQUARE:8>FN20XR00 <GRIDSQUARE_EXT:2>AA ",
       "<GRIDSQUARE:8>FN20XR00 <GRIDSQUARE_EXT:2>AA <DISTANCE:4>5851 "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(std::string("<EOH>") + c.record + "<EOR>\n", my), std::string("<EOH>") + c.expected + "<EOR>\n")
        << c.name;
  }
  // Without --my, a record without its own grid is skipped.
  EXPECT_EQ(Run("<GRIDSQUARE:6>FN20XR <EOR>", {}), "<GRIDSQUARE:6>FN20XR <EOR>");

  cli::Options overwrite = my;
  overwrite.overwrite = true;
  overwrite.azimuth = true;
  EXPECT_EQ(Run("<Distance:3:N>123 <GRIDSQUARE:6>FN20XR <ant_az:1>7<EOR>", overwrite),
            "<Distance:4:N>5847 <GRIDSQUARE:6>FN20XR <ant_az:3>292<EOR>");
  EXPECT_EQ(Run("<ANT_AZ:1>7 <DISTANCE:3>123 <GRIDSQUARE:6>FN20XR <EOR>", overwrite),
            "<ANT_AZ:3>292 <DISTANCE:4>5847 <GRIDSQUARE:6>FN20XR <EOR>");
  cli::Options azimuth = my;
  azimuth.azimuth = true;
  EXPECT_EQ(Run("<DISTANCE:3>123 <GRIDSQUARE:6>FN20XR <EOR>", azimuth),
            "<DISTANCE:3>123 <GRIDSQUARE:6>FN20XR <ANT_AZ:3>292 <EOR>");
  int status = 0;
  EXPECT_EQ(Run("<EOH><CALL:500>K1ABC <EOR>", my, &status), "<EOH><CALL:500>K1ABC <EOR>");
  EXPECT_EQ(status, 1);  // a damaged record
  cli::Options ellipsoid = my;
  ellipsoid.ellipsoid = true;
  EXPECT_EQ(Run("<GRIDSQUARE:6>FN20XR <EOR>", ellipsoid), "<GRIDSQUARE:6>FN20XR <DISTANCE:6>5855.9 <EOR>");
}

TEST_F(AdifCommand, TwiceAddsNothingAndInPlaceKeepsPermissions) {
  const std::string log = "<EOH>\n<CALL:5>K1ABC <GRIDSQUARE:4>FN42 <EOR>\n";
  cli::Options my;
  my.my = "JN18EU";
  my.azimuth = true;
  const std::string once = Run(log, my);
  EXPECT_NE(once, log);
  EXPECT_EQ(Run(once, my), once);

  Put(Path("log.adi"), log);
  chmod(Path("log.adi").c_str(), 0640);
  cli::Options inPlace = my;
  inPlace.inPlace = true;
  EXPECT_EQ(cli::RunAdif(cli::Context{inPlace, ""}, Path("log.adi")), 0);
  EXPECT_EQ(Get(Path("log.adi")), once);
  struct stat st {};
  stat(Path("log.adi").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // A folder that cannot be written: the old file stays, the status says so.
  if (geteuid() != 0) {
    Put(Path("log.adi"), log);
    chmod(dir_.c_str(), 0500);
    EXPECT_EQ(cli::RunAdif(cli::Context{inPlace, ""}, Path("log.adi")), 1);
    chmod(dir_.c_str(), 0700);
    EXPECT_EQ(Get(Path("log.adi")), log);
  }
}

// Many pairs through one run, so that the table of recent answers is full
// and reused, and the station's grid changes: each record gets its own
// pair's kilometres.
TEST_F(AdifCommand, ManyPairsEachGetTheirOwnDistance) {
  // Every third record has a station grid of its own, taking turns.
  const std::string stations[] = {"JN18EU", "FN42AA", "QF56OD", "KP20LE"};
  std::string log = "<EOH>";
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int i = 0; i < 3000; ++i) {
    const int n = (i * 7919) % 1500;  // each grid twice
    const std::string grid = {char('A' + n % 18), char('A' + n / 18 % 18), char('0' + n / 324 % 10), '5', 'M', 'M'};
    const std::string& station = stations[i % 3 == 0 ? 1 + i / 3 % 3 : 0];
    log += "<GRIDSQUARE:6>" + grid + (station == stations[0] ? "" : " <MY_GRIDSQUARE:6>" + station) + " <EOR>";
    pairs.push_back({station, grid});
  }
  cli::Options my;
  my.my = stations[0];
  const std::string out = Run(log, my);
  std::size_t at = 0;
  for (const auto& [station, grid] : pairs) {
    at = out.find("<DISTANCE:", at);
    ASSERT_NE(at, std::string::npos);
    const std::size_t data = out.find('>', at) + 1;
    const cli::PathResult expected = cli::ComputePath(station, grid, false, false, false);
    ASSERT_EQ(out.substr(data, out.find(' ', data) - data), cli::ShownResult(expected.distance, false))
        << station << " " << grid;
    at = data;
  }
}

// What -o and --in-place do to what they name: only a regular file is
// replaced, and it keeps its owner, its links and its place.
TEST_F(AdifCommand, OutputTargets) {
  const std::string log = "<EOH><GRIDSQUARE:6>FN20XR <EOR>";
  const std::string filled = "<EOH><GRIDSQUARE:6>FN20XR <DISTANCE:4>5847 <EOR>";
  cli::Options o;
  o.my = "JN18EU";
  const auto fill = [&](const std::string& in, bool inPlace, const std::string& out = "") {
    cli::Options options = o;
    options.inPlace = inPlace;
    options.out = out;
    return cli::RunAdif(cli::Context{options, ""}, in);
  };
  Put(Path("log.adi"), log);
  struct stat st {};

  // A named pipe is written into, not replaced.
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  std::string fromPipe;
  std::atomic<bool> read{false};
  std::thread reader([&] {
    fromPipe = Get(Path("pipe"));
    read = true;
  });
  EXPECT_EQ(fill(Path("log.adi"), false, Path("pipe")), 0);
  // Had the fill not written into the pipe, this lets the reader end.
  while (!read) {
    if (const int unblock = open(Path("pipe").c_str(), O_WRONLY | O_NONBLOCK); unblock >= 0) close(unblock);
    usleep(1000);
  }
  reader.join();
  EXPECT_EQ(fromPipe, filled);
  ASSERT_EQ(lstat(Path("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  // A link: the file it points to is replaced, the link stays.
  ASSERT_EQ(symlink("log.adi", Path("link.adi").c_str()), 0);
  EXPECT_EQ(fill(Path("link.adi"), true), 0);
  ASSERT_EQ(lstat(Path("link.adi").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Get(Path("log.adi")), filled);

  // Hard links are not split: refused, nothing changed.
  Put(Path("log.adi"), log);
  ASSERT_EQ(link(Path("log.adi").c_str(), Path("other.adi").c_str()), 0);
  EXPECT_EQ(fill(Path("log.adi"), true), 1);
  EXPECT_EQ(Get(Path("other.adi")), log);
  unlink(Path("other.adi").c_str());

  // Root keeps another user's file theirs.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(Path("log.adi").c_str(), 4321, 4322), 0);
    EXPECT_EQ(fill(Path("log.adi"), true), 0);
    ASSERT_EQ(stat(Path("log.adi").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }

  // A name as long as the system allows still leaves room for the
  // temporary file; a directory is refused.
  const std::string longName = Path(std::string(255, 'a').c_str());
  Put(longName, log);
  EXPECT_EQ(fill(longName, true), 0);
  EXPECT_EQ(Get(longName), filled);
  EXPECT_EQ(fill(Path("log.adi"), false, dir_.string()), 1);

  // A device or an open descriptor whose close reports an error (as NFS or
  // FUSE can) has failed to take the log.
  static const FileCalls failingClose = {::write, ::fsync, [](int fd) {
                                           ::close(fd);
                                           errno = EIO;
                                           return -1;
                                         }};
  for (const char* target : {"/dev/null", "/dev/stdout"}) {
    SetFileCallsForTesting(&failingClose);
    EXPECT_EQ(fill(Path("log.adi"), false, target), 1) << target;
    SetFileCallsForTesting(nullptr);
  }
}

// SIGINT or SIGTERM in the middle of a fill removes the temporary file.
TEST_F(AdifCommand, InterruptedFillLeavesNoTemporaryFile) {
  // {signal ignored when the fill starts (0: none), signals sent, the one that ends it}
  struct Case {
    int ignored;
    std::vector<int> sent;
    int ends;
  };
  const Case cases[] = {{0, {SIGINT}, SIGINT},   {0, {SIGTERM}, SIGTERM}, {0, {SIGHUP}, SIGHUP},
                        {0, {SIGQUIT}, SIGQUIT}, {0, {SIGXCPU}, SIGXCPU}, {0, {SIGALRM}, SIGALRM},
                        {0, {SIGUSR1}, SIGUSR1}, {0, {SIGRTMAX}, SIGRTMAX}, {SIGINT, {SIGINT, SIGTERM}, SIGTERM}};
  for (const Case& c : cases) {
    const int sig = c.ends;
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(sig, SIG_DFL);
      if (c.ignored) signal(c.ignored, SIG_IGN);
      const rlimit noCore{0, 0};  // SIGQUIT and SIGXCPU would leave one
      setrlimit(RLIMIT_CORE, &noCore);
      dup2(input[0], STDIN_FILENO);
      close(input[1]);
      cli::Options o;
      o.my = "JN18EU";
      o.out = Path("out.adi");
      _exit(cli::RunAdif(cli::Context{o, ""}, "-"));
    }
    close(input[0]);
    // The child blocks reading the rest once its temporary file exists.
    ASSERT_EQ(write(input[1], "<EOH><GRIDSQUARE:6>FN20XR <EOR>", 31), 31);
    const auto others = [&] {
      std::size_t n = 0;
      for (const auto& e : std::filesystem::directory_iterator(dir_)) n += e.path().filename() != "out.adi";
      return n;
    };
    for (int i = 0; i < 500 && others() == 0; ++i) usleep(10000);
    ASSERT_EQ(others(), 1u);
    for (int sent : c.sent) kill(child, sent);
    int status = 0;
    waitpid(child, &status, 0);
    close(input[1]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
    EXPECT_EQ(others(), 0u);
  }
}

}  // namespace
}  // namespace morvane
