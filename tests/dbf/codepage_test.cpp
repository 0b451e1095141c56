#include "dbf/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace dbt {
namespace {

constexpr CodePagePair kPairs[] = {CodePagePair::Oem850Ansi1252, CodePagePair::Oem437Ansi1252};

// Keeps the process-wide pair as it was, whatever a test selects.
class CodePageTest : public ::testing::Test {
 protected:
  void TearDown() override { SetActiveCodePages(saved_); }

 private:
  CodePagePair saved_ = ActiveCodePages();
};

std::string AllNonZeroBytes() {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  return all;
}

TEST(CodePageTables, AreBijectionsThatUndoEachOther) {
  for (CodePagePair pair : kPairs) {
    const ByteTable& toAnsi = OemToAnsiTable(pair);
    const ByteTable& toOem = AnsiToOemTable(pair);
    ByteTable hits{};
    for (int b = 0; b < 256; ++b) {
      ++hits[toAnsi[b]];
      EXPECT_EQ(toOem[toAnsi[b]], b) << "OEM byte 0x" << std::hex << b;
      EXPECT_EQ(toAnsi[toOem[b]], b) << "ANSI byte 0x" << std::hex << b;
    }
    for (int b = 0; b < 256; ++b) EXPECT_EQ(hits[b], 1) << "ANSI byte 0x" << std::hex << b;
  }
}

TEST(CodePageTables, KeepAsciiAndZero) {
  for (CodePagePair pair : kPairs) {
    for (int b = 0; b < 0x80; ++b) {
      EXPECT_EQ(OemToAnsiTable(pair)[b], b);
      EXPECT_EQ(AnsiToOemTable(pair)[b], b);
    }
  }
}

// German letters sit at the same OEM bytes in both pages; 0x9B and 0x9D differ between them.
TEST(CodePageTables, MapLettersOfBothPages) {
  struct Case {
    std::uint8_t oem, ansi;
  };
  const Case shared[] = {{0x81, 0xFC}, {0x84, 0xE4}, {0x94, 0xF6}, {0x8E, 0xC4},
                         {0x99, 0xD6}, {0x9A, 0xDC}, {0xE1, 0xDF}, {0x82, 0xE9}};
  for (CodePagePair pair : kPairs) {
    for (const Case& c : shared) EXPECT_EQ(OemToAnsiTable(pair)[c.oem], c.ansi);
  }
  EXPECT_EQ(OemToAnsiTable(CodePagePair::Oem850Ansi1252)[0x9B], 0xF8);  // ø
  EXPECT_EQ(OemToAnsiTable(CodePagePair::Oem850Ansi1252)[0x9D], 0xD8);  // Ø
  EXPECT_EQ(OemToAnsiTable(CodePagePair::Oem437Ansi1252)[0x9B], 0xA2);  // ¢
  EXPECT_EQ(OemToAnsiTable(CodePagePair::Oem437Ansi1252)[0x9D], 0xA5);  // ¥
}

TEST_F(CodePageTest, DefaultsToOem850) {
  EXPECT_EQ(ActiveCodePages(), CodePagePair::Oem850Ansi1252);
}

TEST_F(CodePageTest, ConvertsUmlautBothWays) {
  SetActiveCodePages(CodePagePair::Oem850Ansi1252);
  std::string text = "M\x81ller";
  EXPECT_EQ(&OemToAnsi(text), &text);
  EXPECT_EQ(text, "M\xFCller");
  EXPECT_EQ(&AnsiToOem(text), &text);
  EXPECT_EQ(text, "M\x81ller");
}

TEST_F(CodePageTest, StopsAtFirstZeroByteAndKeepsTheRest) {
  SetActiveCodePages(CodePagePair::Oem850Ansi1252);
  const std::string stored("A\x81\0\x81\x94", 5);
  std::string text = stored;
  OemToAnsi(text);
  EXPECT_EQ(text, std::string("A\xFC\0\x81\x94", 5));
  AnsiToOem(text);
  EXPECT_EQ(text, stored);

  std::string leadingZero("\0\x81", 2);
  OemToAnsi(leadingZero);
  EXPECT_EQ(leadingZero, std::string("\0\x81", 2));

  std::string empty;
  EXPECT_EQ(OemToAnsi(empty), "");
  EXPECT_EQ(AnsiToOem(empty), "");
}

TEST_F(CodePageTest, FollowsTheSelectedPairAndRoundTripsEveryByte) {
  for (CodePagePair pair : kPairs) {
    SetActiveCodePages(pair);
    const std::string all = AllNonZeroBytes();
    std::string text = all;
    OemToAnsi(text);
    for (std::size_t i = 0; i < all.size(); ++i) {
      ASSERT_EQ(static_cast<unsigned char>(text[i]),
                OemToAnsiTable(pair)[static_cast<unsigned char>(all[i])]);
    }
    AnsiToOem(text);
    EXPECT_EQ(text, all);
  }
  SetActiveCodePages(CodePagePair::Oem437Ansi1252);
  std::string cent = "\x9B";
  EXPECT_EQ(OemToAnsi(cent), "\xA2");
}

}  // namespace
}  // namespace dbt
