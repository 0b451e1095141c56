#include "dbf/field_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace dbt {
namespace {

constexpr int kYear = 2026;
const std::string kBlankDate(8, ' ');

std::string RoundTrip(char type, const std::string& stored) {
  std::string display = DecodeField(type, stored);
  return EncodeField(type, display, kYear);
}

TEST(FieldCodec, DecodeThenEncodeGivesBackTheStoredText) {
  EXPECT_EQ(RoundTrip('C', "C:\\FAX\\M\xFCller.pdf   "), "C:\\FAX\\M\xFCller.pdf   ");
  EXPECT_EQ(RoundTrip('D', "20081231"), "20081231");
  EXPECT_EQ(RoundTrip('D', kBlankDate), kBlankDate);
  EXPECT_EQ(RoundTrip('L', "T"), "T");
  EXPECT_EQ(RoundTrip('M', "      1234"), "      1234");
  for (char type : {'N', 'F'}) {
    for (std::size_t width : {1u, 19u, 20u, 21u, 40u, 254u}) {
      std::string stored(width, ' ');
      for (std::size_t i = 0; i < width; i += 3) stored[i] = static_cast<char>('0' + i % 10);
      EXPECT_EQ(RoundTrip(type, stored), stored) << type << " width " << width;
    }
  }
}

TEST(FieldCodec, DecodesDatesToDayMonthYear) {
  EXPECT_EQ(DecodeField('D', "20081231"), "31.12.2008");
  EXPECT_EQ(DecodeField('D', kBlankDate), "  .  .    ");
}

// A damaged table may give a date field fewer than eight characters.
TEST(FieldCodec, DecodesShortDatesAsIfBlankPadded) {
  EXPECT_EQ(DecodeField('D', ""), "  .  .    ");
  EXPECT_EQ(DecodeField('D', "2008"), "  .  .2008");
  EXPECT_EQ(DecodeField('D', "2008123"), "3 .12.2008");
}

TEST(FieldCodec, EncodesDatesOfWrongLengthAsBlanks) {
  for (std::string display : {"", "1.1.208", "31.12.208", "31.12.20080"}) {
    const std::string before = display;
    EXPECT_EQ(EncodeField('D', display, kYear), kBlankDate) << '"' << before << '"';
    EXPECT_EQ(display, before);
  }
}

TEST(FieldCodec, WidensTwoDigitYearInCallersText) {
  std::string display = "31.12.08";
  EXPECT_EQ(EncodeField('D', display, kYear), "20081231");
  EXPECT_EQ(display, "31.12.2008");

  std::string lastCentury = "01.02.99";
  EXPECT_EQ(EncodeField('D', lastCentury, 1999), "19990201");
  EXPECT_EQ(lastCentury, "01.02.1999");

  std::string full = "01.02.2003";
  EXPECT_EQ(EncodeField('D', full, kYear), "20030201");
  EXPECT_EQ(full, "01.02.2003");
}

TEST(FieldCodec, LogicalKeepsFirstCharacter) {
  std::string display = "Tx";
  EXPECT_EQ(EncodeField('L', display, kYear), "T");
  EXPECT_EQ(DecodeField('L', "F  "), "F");
  std::string empty;
  EXPECT_EQ(EncodeField('L', empty, kYear), "");
  EXPECT_EQ(DecodeField('L', ""), "");
}

TEST(FieldCodec, MemoKeepsFirstTenCharacters) {
  EXPECT_EQ(DecodeField('M', "123456789012"), "1234567890");
  std::string display = "12345678901";
  EXPECT_EQ(EncodeField('M', display, kYear), "1234567890");
  EXPECT_EQ(DecodeField('M', "12"), "12");
}

TEST(FieldCodec, UnknownTypeDecodesEmptyAndEncodesDisplayUnchanged) {
  for (char type : {'B', 'G', 'c', '\0', '\xC4'}) {
    EXPECT_EQ(DecodeField(type, "stored bytes"), "") << static_cast<int>(type);
    std::string display = "new text";
    EXPECT_EQ(EncodeField(type, display, kYear), "new text");
    EXPECT_EQ(display, "new text");
  }
}

}  // namespace
}  // namespace dbt
