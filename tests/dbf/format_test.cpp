#include "dbf/format.h"

#include <gtest/gtest.h>

namespace dbt {
namespace {

TEST(FieldCount, FollowsTheHeaderLengthRoundedHalfToEven) {
  EXPECT_EQ(FieldCountFromHeaderLength(0), 0);
  EXPECT_EQ(FieldCountFromHeaderLength(32), 0);
  EXPECT_EQ(FieldCountFromHeaderLength(33), 0);
  EXPECT_EQ(FieldCountFromHeaderLength(65), 1);
  EXPECT_EQ(FieldCountFromHeaderLength(4129), 128);
  EXPECT_EQ(FieldCountFromHeaderLength(65535), 2047);
  // Extra bytes after the terminator: up to 15 keep the count.
  EXPECT_EQ(FieldCountFromHeaderLength(32 * 3 + 33 + 10), 3);
  EXPECT_EQ(FieldCountFromHeaderLength(32 * 3 + 33 + 15), 3);
  EXPECT_EQ(FieldCountFromHeaderLength(32 * 3 + 33 - 10), 3);
  // Exact halves go to the even neighbour.
  EXPECT_EQ(FieldCountFromHeaderLength(33 + 16), 0);
  EXPECT_EQ(FieldCountFromHeaderLength(33 + 48), 2);
  EXPECT_EQ(FieldCountFromHeaderLength(33 + 80), 2);
  EXPECT_EQ(FieldCountFromHeaderLength(33 + 17), 1);
}

TEST(VersionByte, AcceptsTheFiveDbaseVersionsOnly) {
  int accepted = 0;
  for (int b = 0; b < 256; ++b) accepted += IsAcceptedVersion(static_cast<std::uint8_t>(b));
  EXPECT_EQ(accepted, 5);
  for (std::uint8_t b : {0x03, 0x04, 0x63, 0x83, 0x8B}) EXPECT_TRUE(IsAcceptedVersion(b));
  EXPECT_FALSE(IsAcceptedVersion(0x30));
  EXPECT_FALSE(IsAcceptedVersion(0xF5));
}

TEST(DbfHeader, ReadsLittleEndianFieldsAndStampsOnlyTheDate) {
  DbfHeader header;
  for (int i = 0; i < kHeaderSize; ++i) header.bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
  header.bytes[4] = 0x01;
  header.bytes[5] = 0x02;
  header.bytes[6] = 0x03;
  header.bytes[7] = 0x84;
  EXPECT_EQ(header.RecordCount(), 0x84030201u);
  EXPECT_EQ(header.HeaderLength(), 0xA9A8);
  EXPECT_EQ(header.RecordLength(), 0xABAA);

  DbfHeader stamped = header;
  stamped.StampDate({2026, 12, 7});
  EXPECT_EQ(stamped.bytes[1], 0x7E);
  EXPECT_EQ(stamped.bytes[2], 0x0C);
  EXPECT_EQ(stamped.bytes[3], 0x07);
  for (int i = 4; i < kHeaderSize; ++i) EXPECT_EQ(stamped.bytes[i], header.bytes[i]) << i;

  stamped.SetRecordCount(0x11223344u);
  EXPECT_EQ(stamped.bytes[4], 0x44);
  EXPECT_EQ(stamped.bytes[7], 0x11);
  EXPECT_EQ(stamped.bytes[8], header.bytes[8]);
}

TEST(DbfHeader, KeepsAYearOutsideTheByteAtItsNearestEnd) {
  DbfHeader header;
  header.StampDate({2200, 1, 1});
  EXPECT_EQ(header.bytes[1], 255);
  header.StampDate({1850, 1, 1});
  EXPECT_EQ(header.bytes[1], 0);
}

TEST(DbfField, NameStopsAtTheFirstZeroOrAfterTenBytes) {
  DbfField field;
  const std::string stored("DATEI\0XY", 8);
  std::copy(stored.begin(), stored.end(), field.bytes.begin());
  EXPECT_EQ(field.RawName(), "DATEI");
  for (int i = 0; i < 11; ++i) field.bytes[i] = 'A';
  EXPECT_EQ(field.RawName(), "AAAAAAAAAA");
}

}  // namespace
}  // namespace dbt
