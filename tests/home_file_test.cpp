// The user.ini format: writer and reader, and what the reader does with files
// that the writer did not produce.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "settings/home_file.h"

namespace morvane {
namespace {

const HomeTable kSaved = {"50", "51", "", "True", "4", "21", "", "True", "JO20AU"};
const HomeTable kPrevious = {"1", "2", "3", "False", "5", "6", "7", "False", "AA00AA"};

TEST(HomeFileFormat, NineBareLinesWithCrLf) {
  const HomeTable noLocatorYet = {"50", "51", "", "True", "4", "21", "", "True", ""};
  EXPECT_EQ(FormatHomeFile(noLocatorYet), "50\r\n51\r\n\r\nTrue\r\n4\r\n21\r\n\r\nTrue\r\n\r\n");
}

TEST(HomeFileFormat, RoundTrips) {
  const HomeTable tables[] = {
      kSaved,
      {"", "", "", "False", "", "", "", "False", ""},
      {"12,5", "0", "59,99", "True", "-3", "1e3", " 7 ", "False", "JN18EU"},  // commas
      {"caf\xe9", "\xb0", "x\r\ny", "True", "a\nb", "c\rd", "", "True", "FN20XR"},
  };
  for (const HomeTable& t : tables) {
    HomeTable read = kPrevious;
    ASSERT_TRUE(ParseHomeFile(FormatHomeFile(t), read));
    EXPECT_EQ(read, t);
  }
}

TEST(HomeFileFormat, ValuesWithDoubleQuotesCannotBeStored) {
  EXPECT_FALSE(FirstUnstorableSlot(kSaved).has_value());
  HomeTable t = kSaved;
  t[6] = "12\"";
  ASSERT_TRUE(FirstUnstorableSlot(t).has_value());
  EXPECT_EQ(*FirstUnstorableSlot(t), 6u);
}

struct ReadCase {
  const char* name;
  std::string bytes;
  bool replaced;
  std::string slot9;  // of the table afterwards (kPrevious when not replaced)
};

TEST(HomeFileReader, FilesTheWriterDidNotProduce) {
  const ReadCase cases[] = {
      {"zero bytes", "", false, "AA00AA"},
      {"two groups: the last wins",
       "1\r\n2\r\n3\r\nTrue\r\n4\r\n5\r\n6\r\nTrue\r\nJN18EU\r\n"
       "1\r\n2\r\n3\r\nTrue\r\n4\r\n5\r\n6\r\nTrue\r\nFN20XR\r\n",
       true, "FN20XR"},
      {"commas and line ends both separate", "1,2,3,True\r\n4,5,6,True,JN18EU\r\n", true, "JN18EU"},
      {"LF and CR line ends", "1\n2\n3\nTrue\n4\r5\r6\rTrue\nIO91WM", true, "IO91WM"},
      {"no line end after the last field", "1\r\n2\r\n3\r\nTrue\r\n4\r\n5\r\n6\r\nTrue\r\nQF56OD", true, "QF56OD"},
      {"quoted field holds commas", "\"1,5\",2,3,True,4,5,6,True,\"JN18EU\"\r\n", true, "JN18EU"},
      {"short file", "50\r\n51\r\n", false, "AA00AA"},
      {"trailing incomplete group is ignored",
       "1\r\n2\r\n3\r\nTrue\r\n4\r\n5\r\n6\r\nTrue\r\nJN18EU\r\nextra\r\n", true, "JN18EU"},
      // A comma that the writer did not quote: ten fields, the first nine win.
      {"unquoted decimal comma", "50\r\n51\r\n12,5\r\nTrue\r\n4\r\n21\r\n\r\nTrue\r\nJN18EU\r\n",
       true, "True"},
      {"unterminated quote", "1,2,3,4,5,6,7,8,\"JN18", true, "JN18"},
      {"text after a closing quote is dropped", "1,2,3,4,5,6,7,8,\"JN\"18EU\r\n", true, "JN"},
      {"NUL bytes are ordinary text", std::string("1,2,3,4,5,6,7,8,J\0N", 19), true,
       std::string("J\0N", 3)},
      {"only line ends", "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n", true, ""},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    HomeTable table = kPrevious;
    EXPECT_EQ(ParseHomeFile(c.bytes, table), c.replaced);
    if (!c.replaced) {
      EXPECT_EQ(table, kPrevious);
    }
    EXPECT_EQ(table[kHomeLocatorSlot], c.slot9);
  }
}

// Whatever the bytes, the reader ends, and the table is either unchanged or
// holds one complete group of the file.
TEST(HomeFileReader, RandomBytesNeverBreakIt) {
  std::mt19937 rng(7);
  const char alphabet[] = {',', '"', '\r', '\n', 'A', '1', '\0', '\xff', ' '};
  for (int i = 0; i < 20000; ++i) {
    std::string bytes(rng() % 64, ' ');
    for (char& b : bytes) b = alphabet[rng() % sizeof alphabet];
    HomeTable table = kPrevious;
    if (!ParseHomeFile(bytes, table)) {
      ASSERT_EQ(table, kPrevious) << i;
    }
  }
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

// A file read in pieces gives what it gives read whole, wherever it is cut:
// inside a quote, between CR and LF, at a comma.
TEST(HomeFileReader, PiecesGiveTheSameTableAsTheWhole) {
  const std::string bytes =
      "\"1,5\"x,2\r\n3\rTrue\n4,\"5\r\n6\",6\r\n\r\nJN18EU\r\n7,8,9,True,1,2,3,False,\"FN20";
  HomeTable whole = kPrevious;
  const bool replaced = ParseHomeFile(bytes, whole);
  for (std::size_t cut1 = 0; cut1 <= bytes.size(); ++cut1) {
    for (std::size_t cut2 = cut1; cut2 <= bytes.size(); ++cut2) {
      HomeTable pieces = kPrevious;
      HomeFileParser parser(pieces);
      parser.Feed(std::string_view(bytes).substr(0, cut1));
      parser.Feed(std::string_view(bytes).substr(cut1, cut2 - cut1));
      parser.Feed(std::string_view(bytes).substr(cut2));
      ASSERT_EQ(parser.Finish(), replaced) << cut1 << "," << cut2;
      ASSERT_EQ(pieces, whole) << cut1 << "," << cut2;
    }
  }
  EXPECT_EQ(whole[kHomeLocatorSlot], "FN20");  // the unterminated quote ends the file
}

}  // namespace
}  // namespace morvane
