// The decode console's session without a process: marks, the program's own
// QSOs, instances, turns, and a log followed through every way loggers
// rewrite it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "station/session.h"

namespace morvane::station {
namespace {

Datagram StatusOf(const std::string& id, const std::string& dxCall = "", const std::string& dxGrid = "",
                  bool txEnabled = false) {
  Datagram d;
  d.kind = Datagram::Kind::Status;
  d.id = id;
  d.frequency = 14074000;
  d.mode = "FT8";
  d.deGrid = "JN18EU";
  d.dxCall = dxCall;
  d.dxGrid = dxGrid;
  d.txEnabled = txEnabled;
  return d;
}

Datagram DecodeOf(const std::string& message, const std::string& id = "WSJT-X") {
  Datagram d;
  d.kind = Datagram::Kind::Decode;
  d.id = id;
  d.isNew = true;
  d.mode = "~";
  d.message = message;
  return d;
}

// Every station lies at azimuth 10 x its square's digits, 100 km away.
Path FakePath(const std::string&, const std::string& target) {
  return {10.0 * ((target[2] - '0') * 10 + (target[3] - '0')), 100};
}

std::string Shown(const Session::Result& r) {
  if (!r.line) return "-";
  return r.line->call + " " + (r.line->mark ? std::string(MarkName(*r.line->mark)) : "?");
}

TEST(Session, ANewSquareOutranksAWorkedCallAndTheProgramsQsosCount) {
  Worked log;
  log.Add("20m", "K1ABC/R", "FN42");
  log.Add("20m", "W1AW", "FN31");
  SessionOptions o;
  o.newOnly = true;
  Session s(o, FakePath);
  s.SetLog(&log);
  EXPECT_EQ(Shown(s.Take(DecodeOf("CQ K1ABC/R FN43"))), "-");  // no band before a Status: nothing to mark against
  s.Take(StatusOf("WSJT-X"));
  const struct {
    const char* message;
    std::string shown;
  } cases[] = {
      {"CQ K1ABC/R FN43", "K1ABC/R new square, call worked"},
      {"CQ K1ABC/R FN42", "-"},   // worked: hidden by --new
      {"CQ N1XYZ FN42", "-"},     // a new call in a worked square
      {"CQ VE1ABC FN74", "VE1ABC new square"},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(s.Take(DecodeOf(c.message))), c.shown) << c.message;

  // QSO Logged and Logged ADIF count at once; a satellite QSO does not.
  Datagram qso;
  qso.kind = Datagram::Kind::QsoLogged;
  qso.dxCall = "VE1ABC";
  qso.dxGrid = "FN74";
  qso.frequency = 14074500;
  EXPECT_TRUE(s.Take(qso).logged);
  qso.dxCall = "G4SAT";
  qso.dxGrid = "IO80";
  qso.propagation = "SAT";
  EXPECT_FALSE(s.Take(qso).logged);
  Datagram adif;
  adif.kind = Datagram::Kind::LoggedAdif;
  adif.adif = "<adif_ver:5>3.1.0 <eoh><call:4:S>W9XY<band:3>20M<gridsquare:4>EN52<vucc_grids:9>EN52,EN53<eor>"
              "<call:5>G4SAT<band:3>20m<gridsquare:4>IO80<prop_mode:3>SAT<eor>";
  EXPECT_TRUE(s.Take(adif).logged);
  for (const char* message : {"CQ VE1ABC FN74", "CQ N2XX EN53", "CQ W9XY EN52"})
    EXPECT_EQ(Shown(s.Take(DecodeOf(message))), "-") << message;
  EXPECT_EQ(Shown(s.Take(DecodeOf("CQ G4SAT IO80"))), "G4SAT new square");
}

TEST(Session, FiltersOnThePathShown) {
  SessionOptions o;
  o.my = "JN18EU";
  o.bearings = std::pair(300.0, 60.0);  // across north
  o.minSnr = -20;
  Session s(o, FakePath);
  for (const auto& [message, shown] : {std::pair{"CQ K1ABC FN02", true}, {"CQ K1ABC FN31", true},
                                       {"CQ K1ABC FN06", true}, {"CQ K1ABC FN07", false}, {"CQ K1ABC FN29", false}})
    EXPECT_EQ(s.Take(DecodeOf(message)).line.has_value(), shown) << message;
  o.bearings = std::pair(0.0, 90.0);  // due north is inside a range that starts there
  for (const char* edge : {"CQ K1ABC FN00", "CQ K1ABC FN09"}) EXPECT_TRUE(Session(o, FakePath).Take(DecodeOf(edge)).line);
  o.bearings = std::pair(0.0, 59.5);  // 420 is 60
  EXPECT_FALSE(Session(o, FakePath).Take(DecodeOf("CQ K1ABC FN42")).line);
  SessionOptions far;
  far.my = "JN18EU";
  far.minKm = 100.5;
  EXPECT_FALSE(Session(far, FakePath).Take(DecodeOf("CQ K1ABC FN42")).line);
  far.minKm = 100;
  EXPECT_TRUE(Session(far, FakePath).Take(DecodeOf("CQ K1ABC FN42")).line);
}

TEST(Session, InstancesAreBoundedAndForgottenOnClose) {
  Session s({}, FakePath);
  s.Take(StatusOf("JTDX"));
  for (int i = 0; i < 1000; ++i) s.Take(StatusOf("random " + std::to_string(i)));
  EXPECT_EQ(s.instances(), kMaxInstances);
  // The one followed (the first heard) is kept through it all.
  EXPECT_TRUE(s.Take(StatusOf("JTDX", "K1ABC", "FN42")).turn);
  for (int i = 0; i < 1000; ++i) s.Take(DecodeOf("CQ K1ABC FN42", "decode " + std::to_string(i)));
  EXPECT_EQ(s.instances(), kMaxInstances);  // a decode makes no instance
  Datagram close;
  close.kind = Datagram::Kind::Close;
  close.id = "random 998";  // another closes: JTDX is still followed
  s.Take(close);
  EXPECT_FALSE(s.Take(StatusOf("random 997", "W1AW", "FN31")).turn);
  EXPECT_EQ(s.instances(), kMaxInstances - 1);
  close.id = "JTDX";
  s.Take(close);
  EXPECT_EQ(s.instances(), kMaxInstances - 2);
  // The next instance heard is followed.
  EXPECT_TRUE(s.Take(StatusOf("random 999", "VK2XY", "QF56")).turn);
}

TEST(Session, PicksTurnTheAntennaOnceAndAgainWhenPickedAgain) {
  SessionOptions o;
  o.turnCall = "W1AW";
  Session s(o, FakePath);
  const struct {
    Datagram d;
    double turn;  // -1: none
  } steps[] = {
      {StatusOf("WSJT-X", "K1ABC", "FN42"), 420},
      {StatusOf("WSJT-X", "K1ABC", "FN42"), -1},        // the same pick, said again
      {StatusOf("WSJT-X", "K1ABC", "FN42", true), 420},  // picked again: Tx enabled anew
      {StatusOf("WSJT-X", "K1ABC", "FN42", true), -1},
      {StatusOf("JTDX", "VK2XY", "QF56", true), -1},     // not the instance followed
      {StatusOf("WSJT-X", "", ""), -1},
      {StatusOf("WSJT-X", "K1ABC", "FN42"), 420},        // picked after none
      {DecodeOf("CQ W1AW FN31"), 310},
      {DecodeOf("CQ W1AW FN31"), 310},                   // every time: the rotator's side keeps the tolerance
      {DecodeOf("CQ K2XX FN20"), -1},                    // another station heard
  };
  for (const auto& step : steps) {
    const auto r = s.Take(step.d);
    EXPECT_EQ(r.turn ? r.turn->bearing : -1, step.turn) << step.d.id << " " << step.d.dxCall << step.d.message;
  }
}

TEST(Session, OnlyCallsPassForCalls) {
  SessionOptions o;
  o.my = "JN18EU";
  Session s(o, FakePath);
  Datagram wspr;
  wspr.kind = Datagram::Kind::WsprDecode;
  wspr.isNew = true;
  wspr.frequency = 14097100;
  wspr.dxGrid = "IO91";
  for (const auto& [call, shown] : {std::pair{"G4XYZ", "G4XYZ"}, {"<PJ4/K1ABC>", "PJ4/K1ABC"}, {"\x1b]0;X\a", "-"},
                                    {"G4XYZ\r\n12:00:00", "-"}, {"=1+2", "-"}, {"g4xyz", "-"}}) {
    wspr.dxCall = call;
    const auto r = s.Take(wspr);
    EXPECT_EQ(r.line ? r.line->call : "-", shown);
  }
}

class LogFile : public ::testing::Test {
 protected:
  void Write(const std::string& text) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << text;
  }
  // One file a test: ctest runs them at once, and Windows refuses a rename
  // over a file another test has open.
  std::string path_ = ::testing::TempDir() + "/session_test_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".adi";
};

constexpr const char* kQso1 = "<CALL:5>K1ABC <GRIDSQUARE:4>FN42 <BAND:3>20m <EOR>\n";
constexpr const char* kQso2 = "<call:4:S>W1AW <gridsquare:6:S>FN31pr <freq:6>14.074 <eor>\n";

// Every way a logger changes its file is seen at the next Update.
TEST_F(LogFile, RewrittenInPlaceIsReadAgain) {
  Write(std::string("Log <EOH>\n") + kQso1);
  WorkedLog log(path_, false);
  ASSERT_TRUE(log.Update()) << log.error();
  const auto squares = [&] {
    std::string s;
    for (const char* square : {"FN42", "FN31", "FN43"}) s += log.worked().HasSquare("20m", square) ? square : "-";
    return s;
  };
  const std::string corrected = std::string(kQso2).replace(std::string(kQso2).find("FN31"), 4, "FN43");
  const struct {
    std::string file, squares;
    bool whole;  // read again from the start
  } steps[] = {
      {std::string("Log <EOH>\n") + kQso1 + kQso2, "FN42FN31-", false},  // appended (typed, lower-case tags)
      {std::string("Log <EOH>\n") + kQso2 + kQso1, "FN42FN31-", true},   // the same, newest first
      {std::string("Log <EOH>\n") + kQso2, "-FN31-", true},              // cut short
      {std::string("Log <EOH>\n") + corrected, "--FN43", true},          // a grid corrected, same size
      {std::string("Log <EOH>\n") + corrected + kQso1, "FN42-FN43", false},
      {std::string("Log <EOH>\n") + kQso1 + kQso2, "FN42FN31-", true},   // first deleted, one added at the end
  };
  long second = 1'700'000'000;
  for (const auto& step : steps) {
    Write(step.file);
    // Each write a second apart, as a logger's are: the system's clock ticks more coarsely than this loop runs.
    std::filesystem::last_write_time(path_, std::filesystem::file_time_type(std::chrono::seconds(++second)));
    const std::uint64_t before = log.wholeReads();
    ASSERT_TRUE(log.Update()) << log.error();
    EXPECT_EQ(squares(), step.squares) << step.file;
    EXPECT_EQ(log.wholeReads() - before, step.whole ? 1u : 0u) << step.file;
  }
  const std::uint64_t before = log.wholeReads(), generation = log.generation();
  ASSERT_TRUE(log.Update());  // nothing changed: nothing read
  EXPECT_EQ(log.wholeReads() + log.generation(), before + generation);
}

// A logger that saves by writing a new file and renaming it over the old
// one: another file (inode, or Windows' file index), read whole, even when
// both ends of it are as they were and it only looks appended to.
TEST_F(LogFile, ReplacedByRenameIsReadWhole) {
  std::string log = "Log <EOH>\n";
  for (int i = 0; i < 300; ++i) log += i == 150 ? kQso2 : kQso1;
  Write(log);
  WorkedLog worked(path_, false);
  ASSERT_TRUE(worked.Update()) << worked.error();
  std::string saved = log;
  saved.replace(saved.find("FN31"), 4, "FN43");
  std::ofstream(path_ + ".new", std::ios::binary) << saved + kQso1;
  std::filesystem::rename(path_ + ".new", path_);
  const std::uint64_t before = worked.wholeReads();
  ASSERT_TRUE(worked.Update()) << worked.error();
  EXPECT_EQ(worked.wholeReads() - before, 1u);
  EXPECT_TRUE(worked.worked().HasSquare("20m", "FN43"));
  EXPECT_FALSE(worked.worked().HasSquare("20m", "FN31"));
}

TEST_F(LogFile, WhatIsNotAnAdifLogIsRefused) {
  const struct {
    const char* text;
    bool adif;
  } cases[] = {
      {"", false},
      {"<?xml version=\"1.0\"?><ADX><RECORDS><RECORD><CALL>K1ABC</CALL></RECORD></RECORDS></ADX>", false},
      {"call,band,gridsquare\nK1ABC,20m,FN42\n", false},
      {"Header only <eoh>\n", true},
      {kQso1, true},
  };
  for (const auto& c : cases) {
    Write(c.text);
    WorkedLog log(path_, false);
    ASSERT_TRUE(log.Update()) << c.text;
    EXPECT_EQ(log.LooksLikeAdif(), c.adif) << c.text;
  }
#ifdef _WIN32
  const std::string special = "NUL";  // a device, as a pipe would be
#else
  const std::string special = ::testing::TempDir() + "/session_test_fifo";
  unlink(special.c_str());
  ASSERT_EQ(mkfifo(special.c_str(), 0600), 0);
#endif
  WorkedLog piped(special, false);
  EXPECT_FALSE(piped.Update());  // refused at once, not waited on
  EXPECT_NE(piped.error().find("not a plain file"), std::string::npos);
  std::remove(special.c_str());
}

TEST(Bands, TheWholeTable) {
  for (const auto& [hertz, band] : {std::pair{136000ull, "2190m"}, {475200ull, "630m"}, {40680000ull, "8m"},
                                    {54000000ull, "6m"}, {54000001ull, "5m"}, {60000000ull, "5m"}, {69900001ull, ""},
                                    {10368100000ull, "3cm"}})
    EXPECT_EQ(BandOf(hertz), band) << hertz;
  // The FT8 and WSPR dial frequencies operators use are on their bands.
  const std::pair<std::uint64_t, const char*> dials[] = {
      {474200, "630m"},     {1840000, "160m"},   {3573000, "80m"},    {5357000, "60m"},   {7074000, "40m"},
      {10136000, "30m"},    {14074000, "20m"},   {18100000, "17m"},   {21074000, "15m"},  {24915000, "12m"},
      {28074000, "10m"},    {50313000, "6m"},    {70154000, "4m"},    {144174000, "2m"},  {222065000, "1.25m"},
      {432065000, "70cm"},  {903000000, "33cm"}, {1296065000, "23cm"}, {2304000000, "13cm"},
      {3400100000, "9cm"},  {5760100000, "6cm"}, {24048100000, "1.25cm"}};
  for (const auto& [hertz, band] : dials) EXPECT_EQ(BandOf(hertz), band) << hertz;
  // Broadcast, time signal, radar, CB, marine and aviation frequencies between the bands are in none.
  for (const std::uint64_t hertz : {531000ull, 2182000ull, 4500000ull, 5900000ull, 9500000ull, 10000000ull, 11800000ull,
                                    15400000ull, 18900000ull, 20000000ull, 21600000ull, 25000000ull, 26965000ull,
                                    27185000ull, 47000000ull, 100000000ull, 121500000ull, 143050000ull, 156800000ull,
                                    462562500ull})
    EXPECT_EQ(BandOf(hertz), "") << hertz;
}

}  // namespace
}  // namespace morvane::station
