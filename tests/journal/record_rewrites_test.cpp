// The passes' changes of stored bytes, record by record on random tables, against the record
// buffer: with the engine's own decoding and encoding where a record holds no zero byte, and
// for every record against each field converted by itself, decoded, changed and encoded back.

#include "journal/record_rewrites.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <random>

#include "dbf/codepage.h"
#include "dbf/engine.h"
#include "dbf/field_codec.h"
#include "journal/path_change.h"
#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

using journal_detail::NormalizeRecordRewrite;
using journal_detail::PathRecordRewrite;
using journal_detail::RecordChange;
using Bytes = std::vector<std::uint8_t>;

struct Slot {
  std::size_t offset;
  std::size_t length;
  char type;
};

struct RandomTable {
  DbfBuilder builder;
  std::vector<Slot> slots;  // [k - 1]: field k
  std::size_t recordLength = 1;
  int pathField = 0;
  int errorField = 0;
};

char RandomType(std::mt19937& random) {
  static constexpr char kTypes[] = {'C', 'C', 'C', 'D', 'N', 'F', 'L', 'M', 'Q', '0', '@'};
  return kTypes[random() % sizeof kTypes];
}

std::uint8_t RandomLength(std::mt19937& random, char type) {
  static constexpr std::uint8_t kLengths[] = {0, 1, 2, 3, 5, 7, 8, 9, 10, 11, 12, 20, 21, 25, 40};
  if (type == 'D' && random() % 2 == 0) return 8;
  return kLengths[random() % sizeof kLengths];
}

// DATEI and ERROR mostly text, at random places among fields of every type and odd width.
RandomTable MakeTable(std::mt19937& random) {
  RandomTable table;
  const int fields = 1 + static_cast<int>(random() % 8);
  const int path = 1 + static_cast<int>(random() % static_cast<unsigned>(fields));
  const int error = 1 + static_cast<int>(random() % static_cast<unsigned>(fields));
  for (int k = 1; k <= fields; ++k) {
    const bool named = k == path || k == error;
    const char type = named && random() % 4 != 0 ? 'C' : RandomType(random);
    const std::uint8_t length = named && type == 'C' ? static_cast<std::uint8_t>(random() % 41)
                                                     : RandomLength(random, type);
    std::string name = "F" + std::to_string(k);
    if (k == error) name = "ERROR";
    if (k == path) name = "DATEI";
    table.builder.Field(name, type, length);
    table.slots.push_back({table.recordLength, length, type});
    table.recordLength += length;
  }
  table.pathField = path;
  table.errorField = path == error ? 0 : error;
  const std::size_t extra = random() % 3;
  table.recordLength += extra;
  table.builder.RecordLength(static_cast<std::uint16_t>(table.recordLength));
  return table;
}

// Path-like bytes: separators, dots, blanks, zero bytes, line ends and OEM umlauts; half the
// fields padded with blanks from a random place on, as writers store them.
Bytes MakeRecord(std::mt19937& random, const RandomTable& table, bool zeroBytes) {
  static constexpr std::uint8_t kFlags[] = {' ', '*', ':', 0x81, 0, 'x'};
  static constexpr std::uint8_t kBytes[] = {'a',  'Z',  '0',  '9',  '.',  '.',  '\\', '\\', ':',
                                            ' ',  ' ',  ' ',  '\r', '\n', 0,    0x81, 0x84, 0x8E,
                                            0x94, 0x99, 0x9A, 0xE1, 0xB5, 0xFF, 0x20, 0x1A};
  Bytes record(table.recordLength);
  record[0] = kFlags[random() % sizeof kFlags];
  for (std::size_t i = 1; i < record.size(); ++i) record[i] = kBytes[random() % sizeof kBytes];
  for (const Slot& slot : table.slots) {
    if (random() % 2 == 0 || slot.length == 0) continue;
    const std::size_t from = slot.offset + random() % slot.length;
    std::fill(record.begin() + static_cast<std::ptrdiff_t>(from),
              record.begin() + static_cast<std::ptrdiff_t>(slot.offset + slot.length), ' ');
  }
  if (!zeroBytes) std::replace(record.begin(), record.end(), std::uint8_t{0}, std::uint8_t{'z'});
  return record;
}

// The rule written out for one field, apart from the engine: the field's own bytes converted
// whole, decoded by type, changed; when the text changed, encoded, padded and converted back.
class PerField {
 public:
  explicit PerField(const Slot& slot) : slot_(slot) {}

  std::string Display(const Bytes& record) const {
    std::string stored(record.begin() + static_cast<std::ptrdiff_t>(slot_.offset),
                       record.begin() + static_cast<std::ptrdiff_t>(slot_.offset + slot_.length));
    for (char& c : stored) c = static_cast<char>(ToAnsi()[static_cast<unsigned char>(c)]);
    return DecodeField(slot_.type, stored);
  }
  void Store(std::string display, Bytes& record) const {
    std::string stored = EncodeField(slot_.type, display, FixedToday().year);
    stored.resize(slot_.length, ' ');
    for (std::size_t i = 0; i < slot_.length; ++i) {
      record[slot_.offset + i] = ToOem()[static_cast<unsigned char>(stored[i])];
    }
  }
  static std::uint8_t LiveFlag() { return ToOem()[' ']; }

 private:
  static const ByteTable& ToAnsi() { return OemToAnsiTable(ActiveCodePages()); }
  static const ByteTable& ToOem() { return AnsiToOemTable(ActiveCodePages()); }
  Slot slot_;
};

std::optional<Bytes> ExpectedPathChange(const RandomTable& table, const PathRule& rule,
                                        Bytes record) {
  const PerField path(table.slots[static_cast<std::size_t>(table.pathField - 1)]);
  const std::string display = path.Display(record);
  const std::string newPath = BuildNewPath(display, rule);
  if (newPath.size() > table.slots[static_cast<std::size_t>(table.pathField - 1)].length) {
    return std::nullopt;
  }
  if (newPath != display) path.Store(newPath, record);
  record[0] = PerField::LiveFlag();
  return record;
}

Bytes ExpectedNormalized(const RandomTable& table, Bytes record) {
  if (table.errorField > 0) {
    const PerField error(table.slots[static_cast<std::size_t>(table.errorField - 1)]);
    const std::string display = error.Display(record);
    std::string trimmed = display;
    journal_detail::TrimErrorTail(trimmed);
    if (trimmed != display) error.Store(trimmed, record);
  }
  record[0] = PerField::LiveFlag();
  return record;
}

class RecordRewritesTest : public ::testing::Test {
 protected:
  // Opens table as handle 1 of a fresh engine.
  void Open(const RandomTable& table) {
    engine_ = std::make_unique<TableEngine>(files_, FixedToday);
    files_.Put("t.dbf", table.builder.Bytes());
    Bytes header;
    std::int64_t size = 0;
    ASSERT_TRUE(engine_->OpenTable("t.dbf", 1, OpenAccess::Read, header, size).ok());
  }

  // What the record buffer makes of the record; only meaningful without zero bytes, where the
  // engine's whole-record conversion and the per-field one agree.
  Bytes ThroughBuffer(Bytes record, const std::function<bool(RecordBuffer&)>& change) {
    RecordBuffer buffer;
    EXPECT_TRUE(engine_->DecodeRecord(1, record, buffer));
    if (change(buffer)) {
      EXPECT_TRUE(engine_->EncodeRecord(1, buffer, record));
    }
    return record;
  }

  MemoryFileSystem files_;
  std::unique_ptr<TableEngine> engine_;
};

TEST_F(RecordRewritesTest, PathChangeTouchesOnlyTheFlagAndTheNewPath) {
  const std::vector<PathRule> rules = {{"E:\\Neu\\", true, "sff"},
                                       {"E:\\Neu\\", false, "sff"},
                                       {"X:\\\xC4rzte \xFC\\", true, "sff"},
                                       {"", true, "sff"},
                                       {"", false, "sff"},
                                       {"E:\\", true, ""},
                                       {"E:\\", true, std::string(" \0", 2)}};
  std::mt19937 random(11);
  int viaEngine = 0;
  for (int t = 0; t < 300; ++t) {
    const RandomTable table = MakeTable(random);
    Open(table);
    const PathRule& rule = rules[static_cast<std::size_t>(t) % rules.size()];
    const std::size_t pathLength =
        table.slots[static_cast<std::size_t>(table.pathField - 1)].length;
    PathRecordRewrite change(*engine_, 1, table.pathField, rule);
    for (int r = 0; r < 40; ++r) {
      const bool zeroBytes = r % 2 == 1;
      const Bytes original = MakeRecord(random, table, zeroBytes);
      SCOPED_TRACE("table " + std::to_string(t) + " record " + std::to_string(r));
      Bytes fast = original;
      const RecordChange outcome = change.Apply(fast);
      const std::optional<Bytes> expected = ExpectedPathChange(table, rule, original);
      if (!expected) {
        ASSERT_EQ(outcome, RecordChange::TooLong);
        ASSERT_EQ(fast, original);
        continue;
      }
      ASSERT_EQ(fast, *expected);
      ASSERT_EQ(outcome, fast == original ? RecordChange::Unchanged : RecordChange::Changed);
      if (!zeroBytes) {
        ++viaEngine;
        ASSERT_EQ(fast, ThroughBuffer(original, [&](RecordBuffer& buffer) {
                    std::string& value = buffer.FieldValues[table.pathField];
                    value = BuildNewPath(value, rule);
                    buffer.DeletionFlag = " ";
                    return value.size() <= pathLength;
                  }));
      }
      // A second run over its own result changes nothing, for text fields.
      if (table.slots[static_cast<std::size_t>(table.pathField - 1)].type == 'C') {
        Bytes again = fast;
        ASSERT_EQ(change.Apply(again), RecordChange::Unchanged);
      }
    }
  }
  EXPECT_GT(viaEngine, 3000);
}

TEST_F(RecordRewritesTest, NormalisingTouchesOnlyTheFlagAndTheEndOfError) {
  std::mt19937 random(7);
  int changedError = 0;
  for (int t = 0; t < 300; ++t) {
    const RandomTable table = MakeTable(random);
    Open(table);
    const NormalizeRecordRewrite normalize(*engine_, 1, table.errorField);
    for (int r = 0; r < 40; ++r) {
      const bool zeroBytes = r % 2 == 1;
      const Bytes original = MakeRecord(random, table, zeroBytes);
      SCOPED_TRACE("table " + std::to_string(t) + " record " + std::to_string(r));
      Bytes fast = original;
      const bool changed = normalize.Apply(fast);
      ASSERT_EQ(fast, ExpectedNormalized(table, original));
      ASSERT_EQ(changed, fast != original);
      if (fast[0] == original[0] && changed) ++changedError;
      if (!zeroBytes) {
        ASSERT_EQ(fast, ThroughBuffer(original, [&](RecordBuffer& buffer) {
                    if (table.errorField > 0) {
                      journal_detail::TrimErrorTail(buffer.FieldValues[table.errorField]);
                    }
                    buffer.DeletionFlag = " ";
                    return true;
                  }));
      }
      Bytes again = fast;
      ASSERT_FALSE(normalize.Apply(again));
    }
  }
  EXPECT_GT(changedError, 100);
}

// The fault the per-field rule mends: an empty date stored as zero bytes before DATEI must not
// change the document name's umlauts, and an umlaut of the target folder is stored in OEM.
TEST_F(RecordRewritesTest, AZeroDateBeforeThePathLeavesTheNameItsBytes) {
  RandomTable table;
  table.builder.Field("DATUM", 'D', 8).Field("DATEI", 'C', 30);
  table.slots = {{1, 8, 'D'}, {9, 30, 'C'}};
  table.recordLength = 39;
  table.pathField = 2;
  Open(table);
  std::string stored = std::string(1, '*') + std::string(8, '\0') +
                       "C:\\Fax\\\x8Erzte\\\x9A"
                       "bersicht.pdf";
  stored.resize(39, ' ');
  Bytes record(stored.begin(), stored.end());
  PathRecordRewrite change(*engine_, 1, 2,
                           {"X:\\\xDC"
                            "ber\\",
                            false, "sff"});
  ASSERT_EQ(change.Apply(record), RecordChange::Changed);
  std::string want = std::string(1, ' ') + std::string(8, '\0') +
                     "X:\\\x9A"
                     "ber\\\x9A"
                     "bersicht.pdf";
  want.resize(39, ' ');
  EXPECT_EQ(std::string(record.begin(), record.end()), want);
}

}  // namespace
}  // namespace dbt::test
