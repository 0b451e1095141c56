// A recovery file meets a table other than the one its step was written for: a copy put back, a
// record another program appended, an edit inside the step, another spelling of the path, or no
// room on the disk for the file itself.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "dbf/engine.h"
#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/path_change.h"
#include "journal/recovery_log.h"
#include "journal/table_session.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Run = std::function<void(TableEngine&, const std::string&)>;

const Run kRelocate = [](TableEngine& engine, const std::string& path) {
  RecordBuffer buffer;
  int pathField = 0;
  (void)ChangeAllPaths(engine, path, 1, PathRule{"E:\\Neu\\"}, buffer, pathField);
};
const Run kCompact = [](TableEngine& engine, const std::string& path) {
  (void)RemoveDuplicates(engine, path, 1);
};
const Run kAppend = [](TableEngine& engine, const std::string& path) {
  (void)AppendTable(engine, path, 1, fs::path(path).replace_filename("other.dbf").string(), 2);
};

struct Case {
  const char* name;
  const Run* run;
  bool landed;  // the step reached the table in part (torn) or not at all
  // What happens to the table after the cut: returns the spelling the next open uses.
  std::function<std::string(const std::string& table, const Bytes& original)> after;
  bool finished;  // the step is then written (or dropped) and the file goes; else refused
  std::function<void(const Bytes& now, const Bytes& original)> check;
};

Bytes Journal(int records) {
  DbfBuilder table = NumberedJournalLayout();
  for (int i = 0; i < records; ++i) {
    table.Record(JournalRow("20260101", "C:\\Fax\\" + std::to_string(i % 7), "1", "busy"));
  }
  return table.Bytes();
}

// Runs the command on a machine that tears each write in turn, until it leaves a recovery file
// and a table that shows (landed) or does not show its last step; false when none does.
bool CutStep(const std::string& table, const Bytes& original, const Run& run, bool landed) {
  for (int k = 1; k < 60; ++k) {
    WriteFileBytes(table, original);
    fs::remove(journal_detail::RecoveryPath(table));
    FaultyFileSystem faulty;
    faulty.TearAtWrite(k, 40);
    {
      TableEngine engine(faulty, FixedToday);
      run(engine, table);
    }
    if (fs::exists(journal_detail::RecoveryPath(table)) &&
        (ReadFileBytes(table) != original) == landed) {
      return true;
    }
  }
  return false;
}

TEST(RecoveryLanding, AStepIsWrittenOnlyOntoTheTableThatShowsIt) {
  TempDir dir;
  const std::string table = dir.File("journal.dbf");
  WriteFileBytes(dir.File("other.dbf"), Journal(3));
  const auto putBack = [](const std::string& path, const Bytes& original) {
    WriteFileBytes(path, original);
    return path;
  };
  const auto same = [](const Bytes& now, const Bytes& original) { EXPECT_EQ(now, original); };
  const auto spelled = [&](const std::string& name) {
    return [&, name](const std::string& path, const Bytes&) {
#ifndef _WIN32
      fs::create_directory_symlink(dir.Path(), dir.Path() / "link");
      fs::create_symlink(path, dir.Path() / "file-link.dbf");
#endif
      (void)path;
      fs::create_directory(dir.Path() / "sub");
      return name;
    };
  };
  const auto changed = [](const Bytes& now, const Bytes& original) {
    ASSERT_EQ(now.size(), original.size());
    EXPECT_NE(now, original);
  };
  const std::vector<Case> cases = {
      {"copy put back after a cut in-place step", &kRelocate, true, putBack, true, same},
      {"copy put back after a cut compaction step", &kCompact, true, putBack, true, same},
      {"copy put back after a cut append", &kAppend, true, putBack, true, same},
      {"a record appended by another program", &kRelocate, true,
       [](const std::string& path, const Bytes&) {
         Bytes now = ReadFileBytes(path);
         now.back() = ' ';
         const Bytes record(now.end() - kNumberedJournalRecord, now.end());
         now.insert(now.end(), record.begin() + 1, record.end());
         now.push_back(0x1A);
         now[4] = static_cast<std::uint8_t>(now[4] + 1);
         WriteFileBytes(path, now);
         return path;
       },
       true,
       [](const Bytes& now, const Bytes& original) {
         EXPECT_EQ(now.size(), original.size() + kNumberedJournalRecord);
         EXPECT_EQ(now[4], original[4] + 1);
         EXPECT_NE(Bytes(now.begin(), now.begin() + static_cast<std::ptrdiff_t>(original.size())),
                   original);
       }},
      {"an edit inside the step", &kRelocate, true,
       [](const std::string& path, const Bytes&) {
         Bytes now = ReadFileBytes(path);
         now[kNumberedJournalHeader + 9] = '#';
         WriteFileBytes(path, now);
         return path;
       },
       false,
       [](const Bytes& now, const Bytes&) { EXPECT_EQ(now[kNumberedJournalHeader + 9], '#'); }},
      {"with ..", &kRelocate, true, spelled("sub/../journal.dbf"), true, changed},
#ifndef _WIN32
      // The C++ library of the Windows build makes no symbolic links.
      {"through a symbolic link to the file", &kRelocate, true, spelled("file-link.dbf"), true,
       changed},
      {"through a symbolic link to the folder", &kRelocate, true, spelled("link/journal.dbf"),
       true, changed},
#endif
  };
  const fs::path start = fs::current_path();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* name : {"link", "file-link.dbf", "sub"}) fs::remove(dir.Path() / name);
    const Bytes original = Journal(40);
    ASSERT_TRUE(CutStep(table, original, *c.run, c.landed));
    fs::current_path(dir.Path());
    const std::string spelling = c.after(table, original);
    const Bytes before = ReadFileBytes(table);
    JournalResult held;
    {
      // Windows opens the held table exclusively: it is read again only once it is let go.
      TableSession session;
      held = session.Begin(PlatformFileSystem(), spelling);
    }
    fs::current_path(start);
    EXPECT_EQ(held.ok(), c.finished) << held.detail;
    EXPECT_EQ(fs::exists(journal_detail::RecoveryPath(table)), !c.finished);
    if (!c.finished) {
      EXPECT_EQ(ReadFileBytes(table), before);
      EXPECT_NE(held.detail.find("remove"), std::string::npos) << held.detail;
    }
    c.check(ReadFileBytes(table), original);
  }
}

// No room for the recovery file: nothing written, no file left, and the reason says so.
TEST(RecoveryLanding, AFullDiskWhileTheStepIsLoggedWritesNothingAndSaysSo) {
  MemoryFileSystem files;
  const Bytes table = Journal(40);
  files.Put("journal.dbf", table);
  files.SetCapacity(table.size() + 600);
  TableEngine engine(files, FixedToday);
  RecordBuffer buffer;
  int pathField = 0;
  const PathChangeResult result =
      ChangeAllPaths(engine, "journal.dbf", 1, PathRule{"E:\\Neu\\"}, buffer, pathField);
  EXPECT_NE(result.detail.find("disk full"), std::string::npos) << result.detail;
  EXPECT_NE(result.detail.find(journal_detail::RecoveryPath("journal.dbf")), std::string::npos);
  EXPECT_EQ(*files.Data("journal.dbf"), table);
  EXPECT_EQ(files.Data(journal_detail::RecoveryPath("journal.dbf")), nullptr);
}

}  // namespace
}  // namespace dbt::test

namespace dbt::test {
namespace {

// A table cut short (its header counts one record more than it holds) gets the count of its
// whole records back; that header changes more than its date, and a write of it torn between
// the count's bytes must not leave a count of neither (255 -> 256 tears into 511).
TEST(RecoveryLanding, AHeaderThatChangesMoreThanItsDateIsLogged) {
  Bytes table = Journal(255);
  table[4] = 0x00;
  table[5] = 0x01;  // 256
  std::vector<std::size_t> sizes;
  for (int tearAt = 0; tearAt <= static_cast<int>(sizes.size()); ++tearAt) {
    MemoryFileSystem memory;
    memory.Put("journal.dbf", table);
    FaultyFileSystem files(memory);
    const bool tears = tearAt > 0 && sizes[static_cast<std::size_t>(tearAt - 1)] == kHeaderSize;
    if (tearAt > 0 && !tears) continue;
    if (tears) files.TearAtWrite(tearAt, 5);
    {
      TableEngine engine(files, FixedToday);
      kRelocate(engine, "journal.dbf");
    }
    if (tearAt == 0) {
      for (int k = 1; k <= files.WriteCount(); ++k) sizes.push_back(files.WriteSize(k));
      continue;
    }
    TableSession reopen;
    ASSERT_TRUE(reopen.Begin(memory, "journal.dbf").ok());
    const Bytes& now = *memory.Data("journal.dbf");
    const int count = now[4] | now[5] << 8;
    EXPECT_TRUE(count == 255 || count == 256) << count << " after a tear at write " << tearAt;
  }
  EXPECT_FALSE(sizes.empty());
}

}  // namespace
}  // namespace dbt::test
