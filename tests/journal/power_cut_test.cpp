// Each writing command cut at every one of its write operations, in three ways: the write and
// all after it never happen; the write is torn at a byte; the power fails and every file keeps
// what its last sync made durable plus some, none or torn parts of the writes since. Then the
// table is opened again (which finishes what the recovery file holds): no record is lost or
// invented, and running the same command again gives the file of an uninterrupted run.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "dbf/engine.h"
#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/path_change.h"
#include "journal/recovery_log.h"
#include "journal/table_session.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Command = std::function<void(TableEngine&, const std::string&)>;
using Check = std::function<void(const Bytes&)>;

const std::string kTable = "journal.dbf";
const std::string kSource = "other.dbf";

// The bytes after the flag with ERROR's trailing line breaks and blanks as normalising leaves
// them: what identifies a record before and after the deletion.
std::string Content(const std::string& record) {
  std::string error = record.substr(44, 12);
  while (!error.empty() && (error.back() == '\r' || error.back() == '\n' || error.back() == ' ' ||
                            error.back() == '\0')) {
    error.pop_back();
  }
  error.resize(12, ' ');
  return record.substr(1, 43) + error;
}

std::vector<std::string> Records(const Bytes& file) {
  std::vector<std::string> records;
  const std::uint32_t count = HeaderRecordCount(file);
  for (std::size_t i = 1; i <= count; ++i) {
    std::string record = RecordBytes(file, i);
    if (record.empty()) break;  // the count is limited to the slots the file holds
    records.push_back(record);
  }
  return records;
}

std::vector<std::string> Contents(const Bytes& file) {
  std::vector<std::string> contents;
  for (const std::string& record : Records(file)) contents.push_back(Content(record));
  return contents;
}

// Every content of `needed` is present, and every present one is among `allowed`.
void ExpectContents(const Bytes& file, const std::vector<std::string>& needed,
                    const std::vector<std::string>& allowed) {
  const std::vector<std::string> present = Contents(file);
  for (const std::string& content : needed) {
    EXPECT_NE(std::find(present.begin(), present.end(), content), present.end()) << "lost";
  }
  for (const std::string& content : present) {
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), content), allowed.end()) << "invented";
  }
}

// One exclusive open for the whole command, as the window and the command-line tool hold it.
Command Held(const Command& steps) {
  return [steps](TableEngine& engine, const std::string& path) {
    TableSession session;
    if (!session.Begin(engine.Files(), path).ok()) return;
    steps(engine, path);
  };
}

struct Fault {
  enum Kind { Stop, Tear, PowerCut } kind;
  int write;
  std::size_t tearAt = 0;
  std::uint32_t seed = 0;
  std::string Name() const {
    const char* names[] = {"stop", "tear", "power cut"};
    return std::string(names[kind]) + " at write " + std::to_string(write) +
           (kind == Tear ? " byte " + std::to_string(tearAt) : "") +
           (kind == PowerCut ? " seed " + std::to_string(seed) : "");
  }
};

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Three records a block, so that a cut can fall between two blocks of one pass.
    journal_detail::SetBlockBytes(3 * kNumberedJournalRecord);
    journal_detail::SetBlocksPerStep(1);
    // Records that differ in every field, so that a record torn between two of them is neither.
    struct Row {
      const char* date;
      const char* path;
      const char* number;
      const char* error;
    };
    const Row rows[] = {{"20260101", "D:\\Alt\\a.pdf", "11", "busy"},
                        {"20250202", "E:\\Neu\\bb.pdf", "22", "frei"},
                        {"20240303", "F:\\x\\ccc.pdf", "333", "x"},
                        {"20230404", "G:\\yy\\d.pdf", "4", "belegt"},
                        {"20220505", "H:\\z\\eeee.pdf", "55555", "ok"}};
    const int order[] = {0, 1, 0, 2, 1, 3, 0, 4};
    DbfBuilder table = NumberedJournalLayout();
    for (int i = 0; i < 8; ++i) {
      const Row& row = rows[order[i]];
      table.Record(
          JournalRow(row.date, row.path, row.number, row.error + std::string(i % 2 ? "\r\n" : "")),
          i == 3 ? '*' : ' ');
    }
    table.EndMarker(false);
    original_ = table.Bytes();
    DbfBuilder source = NumberedJournalLayout();
    source.Record(JournalRow("20250101", "S:\\x.pdf", "2", ""))
        .Record(JournalRow("20250102", "S:\\y.pdf", "3", ""), '*')
        .Record(JournalRow("20250202", "E:\\Neu\\bb.pdf", "22", "frei"));  // as in the table
    source_ = source.Bytes();
  }
  void TearDown() override {
    journal_detail::SetBlockBytes(journal_detail::kBlockBytes);
    journal_detail::SetBlocksPerStep(journal_detail::kBlocksPerStep);
  }

  void Reset() {
    memory_ = MemoryFileSystem();
    memory_.Put(kTable, original_);
    memory_.Put(kSource, source_);
  }
  Bytes Table() { return *memory_.Data(kTable); }

  // The uninterrupted result, and the size of every write operation it asks for.
  Bytes Uninterrupted(const Command& command, std::vector<std::size_t>& sizes) {
    Reset();
    FaultyFileSystem files(memory_);
    {
      TableEngine engine(files, FixedToday);
      command(engine, kTable);
    }
    for (int k = 1; k <= files.WriteCount(); ++k) sizes.push_back(files.WriteSize(k));
    EXPECT_EQ(memory_.Data(journal_detail::RecoveryPath(kTable)), nullptr);
    return Table();
  }

  std::vector<Fault> Faults(const std::vector<std::size_t>& sizes) {
    std::vector<Fault> faults;
    std::mt19937 random(7);
    for (int k = 1; k <= static_cast<int>(sizes.size()); ++k) {
      faults.push_back({Fault::Stop, k});
      const std::size_t size = sizes[static_cast<std::size_t>(k - 1)];
      if (size > 1) {
        // Inside the flag, the date and the path of each record the write covers.
        std::vector<std::size_t> at = {1, size / 2, size - 1, 1 + random() % (size - 1)};
        for (std::size_t record = 0; record < size; record += kNumberedJournalRecord) {
          at.push_back(record + 3);
          at.push_back(record + 12);
        }
        for (const std::size_t tear : at) {
          if (tear < size) faults.push_back({Fault::Tear, k, tear});
        }
      }
      for (std::uint32_t seed = 0; seed < 4; ++seed)
        faults.push_back({Fault::PowerCut, k, 0, seed});
    }
    std::vector<Fault> taken;
    for (std::size_t i = 0; i < faults.size(); i += FaultStride()) taken.push_back(faults[i]);
    return taken;
  }

  // survives(file) checks the table after the reopen that finishes the recovery file.
  // A command that is done once it ran (the append) is only run again when it had not ended.
  void CutEverywhere(const Command& command, const Check& survives, bool rerunWhenDone = true) {
    std::vector<std::size_t> sizes;
    const Bytes expected = Uninterrupted(command, sizes);
    ASSERT_GT(sizes.size(), 2u);
    for (const Fault& fault : Faults(sizes)) {
      SCOPED_TRACE(fault.Name());
      Reset();
      FaultyFileSystem files(memory_);
      if (fault.kind == Fault::Stop) files.StopAtWrite(fault.write);
      if (fault.kind == Fault::Tear) files.TearAtWrite(fault.write, fault.tearAt);
      if (fault.kind == Fault::PowerCut) files.PowerCutAtWrite(fault.write, fault.seed);
      {
        TableEngine engine(files, FixedToday);
        command(engine, kTable);
      }
      {
        TableSession reopen;
        ASSERT_TRUE(reopen.Begin(memory_, kTable).ok());
      }
      EXPECT_EQ(memory_.Data(journal_detail::RecoveryPath(kTable)), nullptr);
      survives(Table());
      if (HasFailure()) return;
      if (rerunWhenDone || Table() != expected) {
        TableEngine again(memory_, FixedToday);
        command(again, kTable);
      }
      ASSERT_EQ(Table(), expected);
      ++runs_;
    }
    RecordProperty("faults", runs_);
  }

  MemoryFileSystem memory_;
  Bytes original_;
  Bytes source_;
  int runs_ = 0;
};

const Command kDedupe = Held([](TableEngine& engine, const std::string& path) {
  RecordBuffer buffer;
  (void)DeleteDuplicates(engine, path, 1, buffer);
});

TEST_F(PowerCutTest, DeleteDuplicatesNormalizeAndRemove) {
  std::vector<std::size_t> sizes;
  const std::vector<std::string> survivors = Contents(Uninterrupted(kDedupe, sizes));
  ASSERT_EQ(survivors.size(), 5u);
  const std::vector<std::string> originals = Contents(original_);
  CutEverywhere(kDedupe, [&](const Bytes& file) { ExpectContents(file, survivors, originals); });
  EXPECT_GT(runs_ * FaultStride(), 100);
}

TEST_F(PowerCutTest, ChangeAllPaths) {
  const Command change = Held([](TableEngine& engine, const std::string& path) {
    RecordBuffer buffer;
    PathRule rule;
    rule.targetFolder = "E:\\Neu\\";
    rule.renameToSff = true;
    int pathField = 0;
    (void)ChangeAllPaths(engine, path, 1, rule, buffer, pathField);
  });
  std::vector<std::size_t> sizes;
  const Bytes changed = Uninterrupted(change, sizes);
  CutEverywhere(change, [&](const Bytes& file) {
    ASSERT_EQ(file.size(), original_.size());
    for (std::size_t i = 1; i <= 8; ++i) {
      const std::string record = RecordBytes(file, i);
      EXPECT_TRUE(record == RecordBytes(original_, i) || record == RecordBytes(changed, i)) << i;
    }
  });
}

TEST_F(PowerCutTest, StoreCurrentPath) {
  const Command store = Held([](TableEngine& engine, const std::string& path) {
    RecordBuffer buffer;
    std::int32_t record = 2;
    (void)StoreCurrentPath(engine, path, 1, record, 2, "E:\\Neu\\langer_name.sff", buffer);
  });
  std::vector<std::size_t> sizes;
  const Bytes stored = Uninterrupted(store, sizes);
  CutEverywhere(store, [&](const Bytes& file) {
    ASSERT_EQ(file.size(), original_.size());
    for (std::size_t i = 1; i <= 8; ++i) {
      const std::string record = RecordBytes(file, i);
      EXPECT_TRUE(record == RecordBytes(original_, i) || record == RecordBytes(stored, i)) << i;
    }
  });
}

TEST_F(PowerCutTest, AppendTableAloneIsAllOrNothing) {
  const Command append = Held([](TableEngine& engine, const std::string& path) {
    (void)AppendTable(engine, path, 1, kSource, 2);
  });
  std::vector<std::size_t> sizes;
  const Bytes appended = Uninterrupted(append, sizes);
  ASSERT_EQ(HeaderRecordCount(appended), 11u);
  CutEverywhere(
      append,
      [&](const Bytes& file) {
        // Either exactly as it was, or exactly appended: then there is nothing to run again.
        EXPECT_TRUE(file == original_ || file == appended);
      },
      false);
}

TEST_F(PowerCutTest, AppendCommandOfTheWindow) {
  const Command append = Held([](TableEngine& engine, const std::string& path) {
    RecordBuffer buffer;
    NormalizedTail tail;
    (void)AppendTable(engine, path, 1, kSource, 2, {}, &tail);
    (void)DeleteDuplicates(engine, path, 1, buffer, {}, &tail);
  });
  std::vector<std::size_t> sizes;
  const std::vector<std::string> survivors = Contents(Uninterrupted(append, sizes));
  ASSERT_EQ(survivors.size(), 7u);
  std::vector<std::string> allowed = Contents(original_);
  for (const std::string& content : Contents(source_)) allowed.push_back(content);
  std::vector<std::string> originals;
  for (const std::string& content : Contents(original_)) originals.push_back(content);
  CutEverywhere(append, [&](const Bytes& file) { ExpectContents(file, originals, allowed); });
}

}  // namespace
}  // namespace dbt::test
