// Filling ADIF logs: nothing of the input is lost, damaged logs are copied
// through with a warning, and the rules for which grids and fields are used.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/adif.h"
#include "cli/adif_command.h"

namespace morvane {
namespace {

struct Filled {
  std::string output, copied, warnings;
  long records = 0, damaged = 0;
};

// Runs the filler, adding DISTANCE 1 and ANT_AZ 2 to every readable record,
// with the input fed in pieces of the given size.
Filled Fill(const std::string& input, std::size_t piece) {
  Filled f;
  adif::Filler filler(
      [](const adif::Record&, long) { return adif::Edit{"1", "2", false, false}; },
      [&](std::string_view bytes, bool added) {
        f.output.append(bytes);
        if (!added) f.copied.append(bytes);
      },
      [&](const std::string& w) { f.warnings += w + "\n"; });
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
    {"a '<' in data and text", "<EOH><COMMENT:6>a<b>c <GRIDSQUARE:4>FN42 <EoR> < > <x:y> <:3>", 1, 0, 1},
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

TEST(AdifFiller, ARecordTooLongToHoldIsCopiedThrough) {
  std::string log = "<EOH><CALL:3>AAA <EOR><NOTES:10>0123456789";
  log += std::string(adif::Filler::kMaxRecordBytes + 100, ' ');
  log += "<GRIDSQUARE:4>FN42 <EOR><CALL:3>BBB <EOR>";
  const Filled f = Fill(log, 1 << 16);
  EXPECT_EQ(f.copied, log);
  EXPECT_EQ(f.records, 3);
  EXPECT_EQ(f.damaged, 1);
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

}  // namespace
}  // namespace morvane
