#include "dbf/table_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "tests/dbf/engine_test_support.h"
#include "tests/support/journal_tables.h"

namespace dbt::test {
namespace {

HeaderCheck Check(const std::vector<std::uint8_t>& file) {
  return CheckTableHeader(file, file.size());
}

TEST(TableHeaderCheck, LaysOutTheFieldsAfterTheFlagInDescriptorOrder) {
  const std::vector<std::uint8_t> file = ThreeRecordJournal().Bytes();
  const HeaderCheck check = Check(file);
  ASSERT_TRUE(check.ok()) << check.detail;

  const FieldLayout& fields = check.layout.fields;
  EXPECT_EQ(fields.fieldCount, 3);
  EXPECT_EQ(fields.offset[1], 1);
  EXPECT_EQ(fields.offset[2], 9);
  EXPECT_EQ(fields.offset[3], 29);
  EXPECT_EQ(fields.length[2], 20);
  EXPECT_EQ(fields.type[1], 'D');
  EXPECT_EQ(fields.type[3], 'N');
  EXPECT_EQ(fields.storedLength, 34u);
  EXPECT_EQ(check.layout.descriptors, Slice(file, 32, 3 * 32));
  EXPECT_EQ(check.layout.header.RecordCount(), 3u);
  EXPECT_EQ(check.layout.header.HeaderLength(), 129);
}

TEST(TableHeaderCheck, TakesTheWidestTableItCanHold) {
  DbfBuilder widest;
  for (int k = 0; k < kMaxFields; ++k) widest.Field("F" + std::to_string(k), 'C', 255);
  widest.Record(std::vector<std::string>(kMaxFields, "x"));
  const HeaderCheck check = Check(widest.Bytes());
  ASSERT_TRUE(check.ok()) << check.detail;
  EXPECT_EQ(check.layout.fields.fieldCount, kMaxFields);
  // Offsets beyond one byte's range: the last field starts 127 fields of 255 after the flag.
  EXPECT_EQ(check.layout.fields.offset[kMaxFields], 1 + 127 * 255);
  EXPECT_EQ(check.layout.fields.storedLength, 1u + 128u * 255u);
  EXPECT_EQ(check.layout.header.RecordCount(), 1u);
}

TEST(TableHeaderCheck, HeaderAndRecordLengthsAreCheckedAtTheirExactEnds) {
  // The header alone, ending with the file: a table without records.
  const std::vector<std::uint8_t> header =
      DbfBuilder().Field("DATUM", 'D', 8).Field("DATEI", 'C', 20).EndMarker(false).Bytes();
  ASSERT_EQ(header.size(), 97u);
  const HeaderCheck exact = Check(header);
  ASSERT_TRUE(exact.ok()) << exact.detail;
  EXPECT_EQ(exact.layout.header.RecordCount(), 0u);

  const HeaderCheck past = CheckTableHeader(Slice(header, 0, 96), 96);
  EXPECT_EQ(past.error, TableOpenError::Damaged);
  EXPECT_EQ(past.detail, "header length 97 runs past the file's 96 bytes");

  const HeaderCheck fits = Check(ThreeRecordJournal().RecordLength(34).Bytes());
  EXPECT_TRUE(fits.ok()) << fits.detail;
  const HeaderCheck wider = Check(ThreeRecordJournal().RecordLength(40).Bytes());
  ASSERT_TRUE(wider.ok()) << wider.detail;
  EXPECT_EQ(wider.layout.fields.storedLength, 34u);  // the padding is no field's
  const HeaderCheck shortByOne = Check(ThreeRecordJournal().RecordLength(33).Bytes());
  EXPECT_EQ(shortByOne.error, TableOpenError::Damaged);

  // Three descriptors end at byte 128; a header length of 127 still rounds to three fields,
  // whose last descriptor would then reach past the header.
  const HeaderCheck shortHeader = Check(ThreeRecordJournal().HeaderLength(127).Bytes());
  EXPECT_EQ(shortHeader.error, TableOpenError::Damaged);
  EXPECT_EQ(shortHeader.detail,
            "the 3 field descriptors end at byte 128, past the header length 127");
  EXPECT_TRUE(Check(ThreeRecordJournal().HeaderLength(128).Bytes()).ok());
}

TEST(TableHeaderCheck, CountsNoMoreRecordsThanTheFileHoldsWhole) {
  std::vector<std::uint8_t> halfRecord = ThreeRecordJournal().RecordCount(5).Bytes();
  halfRecord.resize(129 + 2 * 34 + 20);  // two whole records and part of the third
  EXPECT_EQ(Check(halfRecord).layout.header.RecordCount(), 2u);

  // The end marker is no record, and a count below the slots is kept.
  EXPECT_EQ(Check(ThreeRecordJournal().RecordCount(9).Bytes()).layout.header.RecordCount(), 3u);
  EXPECT_EQ(Check(ThreeRecordJournal().RecordCount(1).Bytes()).layout.header.RecordCount(), 1u);

  // More counted records than a signed 32-bit number holds, in a file that holds them: refused,
  // since a count written back at the largest number would drop the rest. The largest count is
  // taken, and a huge count in a small file is the file's.
  const auto most = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());
  const std::uint64_t terabyte = std::uint64_t{1} << 40;
  const std::vector<std::uint8_t> huge = ThreeRecordJournal().RecordCount(0xFFFFFFFFu).Bytes();
  EXPECT_EQ(CheckTableHeader(huge, terabyte).error, TableOpenError::Unsupported);
  const std::vector<std::uint8_t> above = ThreeRecordJournal().RecordCount(most + 1u).Bytes();
  EXPECT_EQ(CheckTableHeader(above, terabyte).error, TableOpenError::Unsupported);
  const std::vector<std::uint8_t> largest = ThreeRecordJournal().RecordCount(most).Bytes();
  const HeaderCheck check = CheckTableHeader(largest, terabyte);
  ASSERT_TRUE(check.ok()) << check.detail;
  EXPECT_EQ(check.layout.header.RecordCount(), most);
  EXPECT_EQ(Check(huge).layout.header.RecordCount(), 3u);
}

TEST(TableHeaderCheck, JudgesOnlyTheHeaderBytesItWasGiven) {
  const std::vector<std::uint8_t> file = ThreeRecordJournal().Bytes();
  // The file holds the header but the read fell short: no layout from bytes never seen.
  const HeaderCheck cut = CheckTableHeader(Slice(file, 0, 100), file.size());
  EXPECT_EQ(cut.error, TableOpenError::Other);
  EXPECT_EQ(cut.detail, "the header cannot be read");
  EXPECT_EQ(CheckTableHeader({}, file.size()).error, TableOpenError::Other);
  EXPECT_EQ(CheckTableHeader({}, 0).detail, "the file is empty");

  // The records after the header change nothing.
  const HeaderCheck headerOnly = CheckTableHeader(Slice(file, 0, 129), file.size());
  const HeaderCheck whole = Check(file);
  ASSERT_TRUE(headerOnly.ok());
  EXPECT_EQ(headerOnly.layout.header.bytes, whole.layout.header.bytes);
  EXPECT_EQ(headerOnly.layout.descriptors, whole.layout.descriptors);
}

TEST(TableHeaderCheck, WantsTheWholeHeaderWhereTheFileHoldsIt) {
  const std::vector<std::uint8_t> file = ThreeRecordJournal().Bytes();
  const std::vector<std::uint8_t> first = Slice(file, 0, 32);
  EXPECT_EQ(HeaderBytesWanted(first, file.size()), 129u);
  EXPECT_EQ(HeaderBytesWanted(first, 100), 100u);
  EXPECT_EQ(HeaderBytesWanted(Slice(file, 0, 20), 20), 20u);
  EXPECT_EQ(HeaderBytesWanted(Slice(ThreeRecordJournal().HeaderLength(10).Bytes(), 0, 32), 200),
            32u);
}

TEST(TableHeaderCheck, TakesALevelThreeHeaderOfTheLevelSevenLengthForWhatItIs) {
  // Four fields and four bytes after the terminator: 165 bytes, the length a level 7 header of
  // two fields has. Only version 0x04 with the terminator as its last byte is level 7.
  const auto table = [](std::uint8_t version, const std::string& extra) {
    DbfBuilder t;
    t.Field("DATUM", 'D', 8).Field("DATEI", 'C', 20).Field("NR", 'N', 5).Field("SEITEN", 'N', 3);
    return t.Version(version).ExtraHeaderBytes(extra).Record({"20081231", "A", "1", "2"}).Bytes();
  };
  const HeaderCheck version3 = Check(table(0x03, "abc\x0D"));
  ASSERT_TRUE(version3.ok()) << version3.detail;
  EXPECT_EQ(version3.layout.header.HeaderLength(), 165);
  EXPECT_EQ(version3.layout.fields.fieldCount, 4);
  const HeaderCheck noTerminator = Check(table(0x04, "abcd"));
  ASSERT_TRUE(noTerminator.ok()) << noTerminator.detail;
  EXPECT_EQ(noTerminator.layout.fields.fieldCount, 4);
  EXPECT_EQ(Check(table(0x04, "abc\x0D")).error, TableOpenError::Unsupported);
}

}  // namespace
}  // namespace dbt::test
