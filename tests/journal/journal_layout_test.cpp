#include "journal/journal_layout.h"

#include <gtest/gtest.h>

#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"

namespace dbt::test {
namespace {

// The check on the table built by `table`, opened read-only as the window and the tool open it.
JournalLayoutCheck Check(const DbfBuilder& table) {
  MemoryFileSystem files;
  files.Put("t.dbf", table.Bytes());
  TableEngine engine(files, FixedToday);
  std::vector<std::uint8_t> headerBytes;
  std::int64_t fileSize = 0;
  const TableOpenResult open =
      engine.OpenTable("t.dbf", 1, OpenAccess::Read, headerBytes, fileSize);
  EXPECT_TRUE(open.ok()) << open.detail;
  const JournalLayoutCheck check = CheckJournalLayout(engine, 1);
  engine.CloseTable(1);
  return check;
}

TEST(JournalLayoutCheck, NamesMatchInAnyCaseAndDateiMayStandAnywhere) {
  DbfBuilder table;
  table.Field("datum", 'D', 8).Field("NR", 'N', 5).Field("Datei", 'C', 20);
  const JournalLayoutCheck check = Check(table);
  EXPECT_TRUE(check.journal);
  EXPECT_EQ(check.pathField, 3);
  EXPECT_EQ(check.notJournal, "");
}

// Relocating writes a path into DATEI: into a date, a number or a field of a type this tool does
// not know, that would destroy every record's value.
TEST(JournalLayoutCheck, DateiMustBeACharacterField) {
  for (const char type : {'D', 'N', 'M', 'V', 'X'}) {
    DbfBuilder table;
    table.Field("DATUM", 'D', 8).Field("DATEI", type, type == 'D' ? 8 : 10);
    const JournalLayoutCheck check = Check(table);
    EXPECT_FALSE(check.journal) << type;
    EXPECT_EQ(check.notJournal,
              std::string("its field DATEI is of type ") + type + ", not a character field");
  }
}

TEST(JournalLayoutCheck, SaysWhyAnotherTableIsNoJournal) {
  DbfBuilder dateiFirst;
  dateiFirst.Field("DATEI", 'C', 20).Field("DATUM", 'D', 8);
  JournalLayoutCheck check = Check(dateiFirst);
  EXPECT_FALSE(check.journal);
  EXPECT_EQ(check.pathField, 1);
  EXPECT_EQ(check.notJournal, "its first field is DATEI, not DATUM");

  // A longer name that starts like the rule's is another field.
  DbfBuilder longerName;
  longerName.Field("DATUMZEIT", 'C', 14).Field("DATEI", 'C', 20);
  EXPECT_EQ(Check(longerName).notJournal, "its first field is DATUMZEIT, not DATUM");

  DbfBuilder noPath;
  noPath.Field("DATUM", 'D', 8).Field("DATEIEN", 'C', 20);
  check = Check(noPath);
  EXPECT_FALSE(check.journal);
  EXPECT_EQ(check.pathField, 0);
  EXPECT_EQ(check.notJournal, "it has no field DATEI");

  check = Check(DbfBuilder());
  EXPECT_FALSE(check.journal);
  EXPECT_EQ(check.notJournal, "it has no fields");
}

TEST(JournalLayoutCheck, AHandleWithNoOpenTableIsNoJournal) {
  TableEngine engine(PlatformFileSystem(), FixedToday);
  const JournalLayoutCheck check = CheckJournalLayout(engine, 7);
  EXPECT_FALSE(check.journal);
  EXPECT_EQ(check.pathField, 0);
}

}  // namespace
}  // namespace dbt::test
