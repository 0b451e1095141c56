// One open per command, what an open for writing finds beside the table, and a full disk.

#include <gtest/gtest.h>

#include <set>

#include "dbf/engine.h"
#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/recovery_log.h"
#include "journal/table_session.h"
#include "journal/open_table.h"
#include "journal/path_change.h"
#include "tests/support/cut_change.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using journal_detail::RecoveryFrame;
using journal_detail::RecoveryLog;
using journal_detail::RecoveryPath;

Bytes Journal(std::initializer_list<const char*> paths) {
  DbfBuilder table = NumberedJournalLayout();
  for (const char* path : paths) table.Record(JournalRow("20260101", path, "1", "busy"));
  return table.Bytes();
}

class TableSessionTest : public ::testing::Test {
 protected:
  // path holds table and nothing lies beside it; then run(engine), on a machine that stops at
  // write operation stop.
  template <typename Run>
  void RunStoppedAt(int stop, const Bytes& table, const Run& run) {
    (void)files.RemoveFile(journal_detail::RecoveryPath(path));
    files.Put(path, table);
    FaultyFileSystem faulty(files);
    faulty.StopAtWrite(stop);
    TableEngine engine(faulty, FixedToday);
    run(engine);
  }

  MemoryFileSystem files;
  const std::string path = "journal.dbf";
};

TEST_F(TableSessionTest, DeleteDuplicatesOpensTheTableOnceForAllItsSteps) {
  files.Put(path, Journal({"a", "b", "a"}));
  TableEngine engine(files, FixedToday);
  RecordBuffer buffer;
  const DedupeResult result = DeleteDuplicates(engine, path, 1, buffer);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.removed, 1);
  EXPECT_EQ(files.OpenCount(), 1);
}

TEST_F(TableSessionTest, HeldTableIsLentToOneOpenAtATimeAndFreedAtTheEnd) {
  files.Put(path, Journal({"a"}));
  {
    TableSession session;
    ASSERT_TRUE(session.Begin(files, path).ok());
    FileOpenResult first = files.OpenExclusive(path, OpenAccess::Read);
    ASSERT_NE(first.file, nullptr);
    EXPECT_EQ(files.OpenExclusive(path, OpenAccess::Read).error, FileOpenError::Locked);
    // Lent for reading: no write gets through.
    const std::uint8_t byte[1] = {'x'};
    EXPECT_FALSE(first.file->WriteAt(0, byte));
    first.file.reset();
    EXPECT_NE(files.OpenExclusive(path, OpenAccess::ReadWrite).file, nullptr);
    EXPECT_EQ(files.OpenCount(), 1);
  }
  EXPECT_NE(files.OpenExclusive(path, OpenAccess::ReadWrite).file, nullptr);
  EXPECT_EQ(files.OpenCount(), 2);
}

TEST_F(TableSessionTest, AppendOpensTheTargetOnceAndTheSourceApart) {
  files.Put(path, Journal({"a", "b"}));
  files.Put("other.dbf", Journal({"b", "c"}));
  TableEngine engine(files, FixedToday);
  RecordBuffer buffer;
  {
    TableSession session;
    ASSERT_TRUE(session.Begin(files, path).ok());
    EXPECT_EQ(AppendTable(engine, path, 1, "other.dbf", 2).appended, 2);
    EXPECT_EQ(DeleteDuplicates(engine, path, 1, buffer).after, 3);
  }
  EXPECT_EQ(HeaderRecordCount(*files.Data(path)), 3u);
  // The target once, the source twice (the layout check and the copy).
  EXPECT_EQ(files.OpenCount(), 3);
}

// A recovery file that holds a step for a table of another length belongs to a table that was
// changed since: nothing is replayed, the table and the file stay, and writing is refused.
TEST_F(TableSessionTest, StepThatDoesNotFitTheTableIsNotReplayed) {
  const Bytes table = Journal({"a", "b"});
  files.Put(path, table);
  ASSERT_TRUE(LogCutWrite(files, path, table.size() + 56, kNumberedJournalHeader, Bytes(56, 'X')));
  TableSession session;
  const JournalResult held = session.Begin(files, path);
  EXPECT_FALSE(held.ok());
  EXPECT_NE(held.detail.find(RecoveryPath(path)), std::string::npos) << held.detail;
  EXPECT_EQ(*files.Data(path), table);
  EXPECT_NE(files.Data(RecoveryPath(path)), nullptr);
}

// A step logged whole is written into the table by the next open; a torn one is dropped.
TEST_F(TableSessionTest, WholeStepIsFinishedAndTornStepDropped) {
  const Bytes table = Journal({"a", "b"});
  for (const bool torn : {false, true}) {
    SCOPED_TRACE(torn ? "torn" : "whole");
    files.Put(path, table);
    ASSERT_TRUE(LogCutWrite(files, path, table.size(), kNumberedJournalHeader + 1, Bytes(8, '9'),
                            torn ? 0 : 1));
    Bytes& logged = *files.Data(RecoveryPath(path));
    if (torn) logged.resize(logged.size() - 3);
    TableSession session;
    ASSERT_TRUE(session.Begin(files, path).ok());
    Bytes expected = table;
    if (!torn) std::fill_n(expected.begin() + kNumberedJournalHeader + 1, 8, '9');
    EXPECT_EQ(*files.Data(path), expected);
    EXPECT_EQ(files.Data(RecoveryPath(path)), nullptr);
  }
}

// A compaction step moves exactly the records it does not leave out when the next open finishes
// it: those it lists.
TEST_F(TableSessionTest, CompactionStepMovesTheRecordsItDoesNotLeaveOut) {
  const std::size_t length = kNumberedJournalRecord;
  const auto slot = [&](std::size_t n) { return kNumberedJournalHeader + n * length; };
  {
    Bytes table = Journal({"a", "b", "c", "d", "e", "f", "g", "h"});
    files.Put(path, table);
    {
      RecoveryLog log(files, path, 4096);
      RecoveryFrame frame;
      frame.kind = RecoveryFrame::Kind::SkippingCompaction;
      frame.sourceBegin = slot(4);
      frame.sourceEnd = slot(8);
      frame.destination = slot(1);
      frame.recordLength = length;
      const std::uint8_t leaveOutSecondAndFourth[1] = {0b1010};  // f and h
      frame.AddOnly(frame.sourceBegin, leaveOutSecondAndFourth, RecoveryFrame::Role::List);
      frame.AddOnly(frame.destination,
                    std::span(table).subspan(slot(1), 2 * length), RecoveryFrame::Role::Before);
      ASSERT_TRUE(log.Log(frame));
    }
    files.Data(path)->at(slot(1) + 9) = 'e';  // the step tore after its first changed byte
    {
      TableSession session;
      ASSERT_TRUE(session.Begin(files, path).ok());
    }
    const auto record = [&](const Bytes& bytes, std::size_t n) {
      return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(slot(n)),
                   bytes.begin() + static_cast<std::ptrdiff_t>(slot(n + 1)));
    };
    const Bytes& now = *files.Data(path);
    ASSERT_EQ(now.size(), table.size());
    // a, then e and g moved down; the slots behind them keep what they held.
    for (const auto& [at, from] : std::vector<std::pair<int, int>>{
             {0, 0}, {1, 4}, {2, 6}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}) {
      EXPECT_EQ(record(now, at), record(table, from)) << "slot " << at;
    }
    EXPECT_EQ(files.Data(RecoveryPath(path)), nullptr);
  }
}

// The source of an append may itself hold a step a crash cut inside one of its records. Copied
// as it lies, that record would come over torn, a path that names no document; the step is
// finished first, and when it cannot be, nothing is appended.
TEST_F(TableSessionTest, AppendFinishesTheSourcesCutStepOrAppendsNothing) {
  const std::string source = "other.dbf";
  const Bytes target = Journal({"a"});
  const Bytes whole = Journal({"b", "c"});
  const std::size_t firstPath = kNumberedJournalHeader + 1 + 8;
  const Bytes newPath = {'E', ':', '\\', 'N', 'e', 'u'};
  Bytes finished = whole;
  std::copy(newPath.begin(), newPath.end(), finished.begin() + firstPath);
  Bytes torn = whole;
  std::copy_n(newPath.begin(), 3, torn.begin() + firstPath);
  for (const bool fits : {true, false}) {
    SCOPED_TRACE(fits ? "step fits the source" : "step of another length");
    files.Put(path, target);
    files.Put(source, whole);
    ASSERT_TRUE(LogCutWrite(files, source, torn.size() + (fits ? 0 : 56), firstPath, newPath, 3));
    TableEngine engine(files, FixedToday);
    const AppendResult result = AppendTable(engine, path, 1, source, 2);
    if (!fits) {
      EXPECT_EQ(result.Code(), 0);
      EXPECT_NE(result.detail.find(source + ": "), std::string::npos) << result.detail;
      EXPECT_EQ(*files.Data(path), target);
      EXPECT_EQ(*files.Data(source), torn);
      EXPECT_NE(files.Data(RecoveryPath(source)), nullptr);
      continue;
    }
    ASSERT_EQ(result.appended, 2) << result.detail;
    EXPECT_EQ(RecordBytes(*files.Data(path), 2), RecordBytes(finished, 1));
    EXPECT_EQ(*files.Data(source), finished);
    EXPECT_EQ(files.Data(RecoveryPath(source)), nullptr);
  }
}

// An append stopped after it set aside the room for its records, and the fax application then
// stored a new fax the dBase way, into that room: its record, the end marker, the count one up.
// Rolling the append back would cut that record off; the table is left as it is.
TEST_F(TableSessionTest, AnAppendIsNotRolledBackOverARecordAnotherProgramStoredSince) {
  const Bytes table = Journal({"a", "b"});
  const Bytes other = Journal({"c", "d", "e"});
  const std::uint64_t reserved = table.size() + 3 * kNumberedJournalRecord;
  bool met = false;
  files.Put("other.dbf", other);
  for (int stop = 1; stop < 20 && !met; ++stop) {
    RunStoppedAt(stop, table, [&](TableEngine& engine) {
      (void)AppendTable(engine, path, 1, "other.dbf", 2);
    });
    if (files.Data(path)->size() != reserved || files.Data(RecoveryPath(path)) == nullptr) {
      continue;
    }
    met = true;
    Bytes& stored = *files.Data(path);
    const Bytes fax = Journal({"neues Fax"});
    const std::size_t slot = kNumberedJournalHeader + 2 * kNumberedJournalRecord;
    std::copy_n(fax.begin() + kNumberedJournalHeader, kNumberedJournalRecord, stored.begin() + slot);
    stored[slot + kNumberedJournalRecord] = 0x1A;
    stored[4] = 3;
    const Bytes withFax = stored;

    TableSession session;
    const JournalResult held = session.Begin(files, path);
    EXPECT_FALSE(held.ok()) << "stopped at write " << stop;
    EXPECT_NE(held.detail.find("another program has changed the table"), std::string::npos)
        << held.detail;
    EXPECT_EQ(*files.Data(path), withFax);
    EXPECT_NE(files.Data(RecoveryPath(path)), nullptr);
  }
  EXPECT_TRUE(met);
}

// A deletion stopped between two steps of its compaction, and the table then put back as it was
// before (from its backup): a step replayed onto it would write over records the steps before
// had moved down in the table they worked on, but which still lie only there in this one. Every
// stop: the step is either not replayed, or no record is lost by it.
TEST_F(TableSessionTest, ACompactionStepIsNotReplayedOntoTheTablePutBack) {
  std::vector<std::string> names(9, "a");
  for (int i = 1; i <= 12; ++i) names.push_back("b" + std::to_string(i));
  DbfBuilder builder = NumberedJournalLayout();
  for (const std::string& name : names) builder.Record(JournalRow("20260101", name, "1", "busy"));
  const Bytes original = builder.Bytes();
  const auto recordsOf = [](const Bytes& bytes) {
    std::set<std::string> records;
    for (std::size_t n = 1; n <= HeaderRecordCount(bytes); ++n) records.insert(RecordBytes(bytes, n));
    return records;
  };
  journal_detail::SetBlockBytes(4 * kNumberedJournalRecord);
  journal_detail::SetBlocksPerStep(2);
  int refused = 0;
  for (int stop = 1; stop < 60; ++stop) {
    RunStoppedAt(stop, original, [&](TableEngine& engine) {
      RecordBuffer buffer;
      (void)DeleteDuplicates(engine, path, 1, buffer);
    });
    if (files.Data(RecoveryPath(path)) == nullptr) continue;
    files.Put(path, original);
    TableSession session;
    if (!session.Begin(files, path).ok()) {
      ++refused;
      EXPECT_EQ(*files.Data(path), original) << "stopped at write " << stop;
      continue;
    }
    EXPECT_EQ(recordsOf(*files.Data(path)), recordsOf(original)) << "stopped at write " << stop;
  }
  journal_detail::SetBlockBytes(journal_detail::kBlockBytes);
  journal_detail::SetBlocksPerStep(journal_detail::kBlocksPerStep);
  EXPECT_GT(refused, 0);
}

// The recovery file's two places hold a step each, and no step holds more records than the
// table: a small table's file stays small (on file systems without holes it is written whole).
TEST_F(TableSessionTest, ASmallTablesRecoveryFileIsSmall) {
  const Bytes table = Journal({"C:\\Fax\\0001.PDF", "C:\\Fax\\0002.PDF", "a", "a"});
  std::size_t largest = 0;
  for (int stop = 1; stop < 12; ++stop) {
    RunStoppedAt(stop, table, [&](TableEngine& engine) {
      RecordBuffer buffer;
      int pathField = 0;
      (void)ChangeAllPaths(engine, path, 1, PathRule{"E:\\Neu\\"}, buffer, pathField);
      (void)DeleteDuplicates(engine, path, 1, buffer);
    });
    if (const Bytes* logged = files.Data(RecoveryPath(path))) {
      largest = std::max(largest, logged->size());
    }
  }
  EXPECT_GT(largest, 0u);
  EXPECT_LT(largest, 4096u);
}

// In a folder where no file can be made, no change writes a record, and the reason says why.
TEST_F(TableSessionTest, AChangeWithoutItsRecoveryFileWritesNothingAndSaysWhy) {
  DbfBuilder builder = NumberedJournalLayout();
  builder.Record(JournalRow("20260101", "C:\\Fax\\1", "1", "x"))
      .Record(JournalRow("20260101", "C:\\Fax\\1", "1", "x"), '*');
  const Bytes table = builder.Bytes();
  const std::string noFile =
      "its recovery file could not be created beside it, and no record is changed without one "
      "(the folder must allow creating files)";
  // Write 1 is the recovery file's creation, write 2 its head: only the first is the folder's.
  for (const int stop : {1, 2}) {
    for (const bool dedupe : {false, true}) {
      std::string reason;
      RunStoppedAt(stop, table, [&](TableEngine& engine) {
        RecordBuffer buffer;
        int pathField = 0;
        reason = dedupe ? DeleteDuplicates(engine, path, 1, buffer).reason
                        : ChangeAllPaths(engine, path, 1, PathRule{"E:\\Neu\\"}, buffer,
                                         pathField)
                              .reason;
      });
      EXPECT_EQ(reason == noFile, stop == 1) << reason;
      EXPECT_EQ(*files.Data(path), table);
    }
  }
}

TEST_F(TableSessionTest, FullDiskLeavesTheTargetAsItWasAndSaysSo) {
  const Bytes table = Journal({"a", "b"});
  files.Put(path, table);
  const Bytes other = Journal({"c", "d", "e"});
  files.Put("other.dbf", other);
  // Room for the recovery file (about 360 bytes), not for three more records.
  files.SetCapacity(table.size() + other.size() + 420);
  TableEngine engine(files, FixedToday);
  const AppendResult result = AppendTable(engine, path, 1, "other.dbf", 2);
  EXPECT_TRUE(result.diskFull);
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.detail.find("disk full"), std::string::npos) << result.detail;
  EXPECT_EQ(result.appended, 0);
  EXPECT_EQ(*files.Data(path), table);
  EXPECT_EQ(files.Data(RecoveryPath(path)), nullptr);
}

}  // namespace
}  // namespace dbt::test
