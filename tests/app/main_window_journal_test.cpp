// The commands that change the table: the path change for one record and for all, appending
// another table, and deleting duplicates; checked on the file's bytes.

#include <filesystem>

#include "journal/recovery_log.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/cut_change.h"
#include "tests/support/other_program.h"

namespace dbt::test {
namespace {

// A record of JournalOfPaths() as stored.
std::string Stored(const std::string& path, char flag = ' ') {
  std::string record = std::string(1, flag) + "20240105" + path;
  record.resize(1 + 8 + 40, ' ');
  record.resize(1 + 8 + 40 + 10, ' ');
  return record;
}

bool HeaderDatedToday(const std::string& file) {
  const auto bytes = ReadFileBytes(file);
  return bytes[1] == kFixedToday.year - 1900 && bytes[2] == kFixedToday.month &&
         bytes[3] == kFixedToday.day;
}

std::uintmax_t JournalSize(int records) {
  return 129 + 59 * static_cast<std::uintmax_t>(records) + 1;
}

class JournalCommandTest : public MainWindowTest {
 protected:
  void Load(const DbfBuilder& builder) {
    builder.WriteTo(table);
    Start();
    ChooseFile(kChooseTableButton, table);
    ASSERT_TRUE(controller.State().Loaded);
  }
  void ExpectRecords(const std::vector<std::string>& paths) {
    EXPECT_EQ(HeaderRecordCount(table), paths.size());
    EXPECT_EQ(std::filesystem::file_size(table), JournalSize(static_cast<int>(paths.size())));
    for (std::size_t k = 0; k < paths.size(); ++k)
      EXPECT_EQ(RecordBytes(table, static_cast<int>(k + 1)), Stored(paths[k])) << k + 1;
  }
  void ExpectRecordOneShownOf(int count, const std::string& path) {
    EXPECT_EQ(controller.State().CurrentRecord, 1);
    EXPECT_EQ(controller.State().RecordCount, count);
    EXPECT_EQ(window.texts[kRecordCountBox], std::to_string(count));
    EXPECT_EQ(window.texts[kRecordTotalBox], std::to_string(count));
    EXPECT_EQ(window.texts[kCurrentRecordBox], "1");
    EXPECT_EQ(window.texts[kStoredPathBox], path);
  }
  void ExpectBusyCursorAround() {
    EXPECT_EQ(window.cursorChanges, (std::vector<bool>{true, false}));
    window.cursorChanges.clear();
  }

  std::string table = dir.File("journal.dbf");
};

TEST_F(JournalCommandTest, ChangePathStoresTheShownRecordOnlyAndMakesItLive) {
  DbfBuilder builder = JournalOfPaths({"C:\\Fax\\0002.PDF"});
  builder.Record({"20240105", "D:\\Alt\\Fax\\0001.PDF", ""}, '*');
  Load(builder);
  Click(kNextButton);
  PickFolder("E:\\Neu");

  Click(kChangePathButton);

  EXPECT_EQ(RecordBytes(table, 1), Stored("C:\\Fax\\0002.PDF"));
  EXPECT_EQ(RecordBytes(table, 2), Stored("E:\\Neu\\0001.PDF"));
  EXPECT_TRUE(HeaderDatedToday(table));
  EXPECT_EQ(window.texts[kStoredPathBox], "E:\\Neu\\0001.PDF");
  EXPECT_EQ(window.texts[kCurrentRecordBox], "2");

  window.ToggleCheck(kRenameCheckBox);
  Click(kChangePathButton);
  EXPECT_EQ(RecordBytes(table, 2), Stored("E:\\Neu\\0001.sff"));
  EXPECT_EQ(std::filesystem::file_size(table), JournalSize(2));
}

TEST_F(JournalCommandTest, ProposedPathIsWhatTheChangeStoresForNamesWithoutExtension) {
  Load(JournalOfPaths({"C:\\Alt.Fax\\0001", "C:\\Fax\\0002.PDF"}));
  PickFolder("E:\\Neu");
  window.ToggleCheck(kRenameCheckBox);
  // A dot in a folder name is no extension, and a name without one keeps its name.
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\0001");

  Click(kChangePathButton);

  EXPECT_EQ(RecordBytes(table, 1), Stored("E:\\Neu\\0001"));
  EXPECT_EQ(window.texts[kStoredPathBox], "E:\\Neu\\0001");
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\0001");
}

// When the display could not follow a change of record (the table was away, or the fax
// application held it) or the table changed since, the record of the shown number is another
// one, and "Pfad ändern" must not give it the document name of the record shown.
TEST_F(JournalCommandTest, ChangePathWritesOnlyTheRecordWhoseProposalIsShown) {
  Load(JournalOfPaths({"C:\\Fax\\A.pdf", "C:\\Fax\\B.pdf", "C:\\Fax\\C.pdf"}));
  PickFolder("E:\\Neu");
  const std::string away = table + ".weg";
  std::filesystem::rename(table, away);
  Click(kNextButton);
  std::filesystem::rename(away, table);
  ASSERT_EQ(window.texts[kCurrentRecordBox], "2");
  ASSERT_EQ(window.texts[kNewPathBox], "E:\\Neu\\A.pdf");
  const auto before = ReadFileBytes(table);

  Click(kChangePathButton);
  EXPECT_EQ(ReadFileBytes(table), before);
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\B.pdf");
  Click(kChangePathButton);
  EXPECT_EQ(RecordBytes(table, 2), Stored("E:\\Neu\\B.pdf"));

  // Record 3 shown, then the table cut to two records: the last one is not written instead.
  Click(kNextButton);
  ASSERT_EQ(window.texts[kNewPathBox], "E:\\Neu\\C.pdf");
  JournalOfPaths({"C:\\Fax\\A.pdf", "C:\\Fax\\C.pdf"}).WriteTo(table);
  const auto shrunk = ReadFileBytes(table);
  Click(kChangePathButton);
  EXPECT_EQ(ReadFileBytes(table), shrunk);
}

// The file at the table's path replaced, after loading, by a table the window would not load:
// no command writes to it.
TEST_F(JournalCommandTest, NoCommandWritesToATableThatIsNoLongerAJournal) {
  Load(JournalOfPaths({"C:\\Fax\\A.pdf", "C:\\Fax\\B.pdf"}));
  PickFolder("E:\\Neu");
  const std::string other = dir.File("andere.dbf");
  JournalOfPaths({"C:\\Fax\\C.pdf"}).WriteTo(other);
  DbfBuilder customers;
  customers.Field("NR", 'C', 4).Field("DATEI", 'C', 40).Field("ORT", 'C', 10);
  customers.Record({"0001", "Meier GmbH", "Berlin"}).Record({"0001", "Meier GmbH", "Berlin"});
  customers.WriteTo(table);
  const auto before = ReadFileBytes(table);
  for (const int button : {kChangePathButton, kChangeAllPathsButton}) {
    Click(button);
    EXPECT_EQ(ReadFileBytes(table), before) << button;
  }
  // Each of these loads the table again afterwards, which then rejects it.
  ChooseFile(kAppendButton, other);
  EXPECT_EQ(ReadFileBytes(table), before);
  Load(JournalOfPaths({"C:\\Fax\\A.pdf"}));
  customers.WriteTo(table);
  Click(kDeleteDuplicatesButton);
  EXPECT_EQ(ReadFileBytes(table), before);
}

TEST_F(JournalCommandTest, ChangePathRefusesAPathLongerThanTheField) {
  Load(JournalOfPaths({"C:\\Fax\\0001.PDF", "C:\\Fax\\0002.PDF"}));
  const auto before = ReadFileBytes(table);
  PickFolder("E:\\Ein\\sehr\\langer\\Ordner\\fuer\\Faxe");  // 45 characters with the name

  Click(kChangePathButton);

  EXPECT_EQ(ReadFileBytes(table), before);
  EXPECT_EQ(window.texts[kStoredPathBox], "C:\\Fax\\0001.PDF");
}

TEST_F(JournalCommandTest, ChangeAllPathsRewritesEveryRecordAndShowsTheCurrentOne) {
  DbfBuilder builder = JournalOfPaths({"C:\\Fax\\0001.PDF", "D:\\x\\0002.tif"});
  builder.Record({"20240105", "0003.pdf", ""}, '*');
  Load(builder);
  Click(kNextButton);
  PickFolder("E:\\Neu\\");

  Click(kChangeAllPathsButton);

  ExpectBusyCursorAround();
  ExpectRecords({"E:\\Neu\\0001.PDF", "E:\\Neu\\0002.tif", "E:\\Neu\\0003.pdf"});
  EXPECT_TRUE(HeaderDatedToday(table));
  EXPECT_EQ(controller.State().CurrentRecord, 2);
  EXPECT_EQ(window.texts[kCurrentRecordBox], "2");
  EXPECT_EQ(window.texts[kStoredPathBox], "E:\\Neu\\0002.tif");
  EXPECT_FALSE(engine.IsOpen(controller.State().Table));
}

// A path change killed inside its write leaves a record with new bytes up to where the write was
// cut and old ones after, and the recovery file that holds the rest. The window finishes that
// step before it shows anything: a torn path shown, then stored by a command on the shown record,
// would be written over the bytes the recovery file restores.
TEST_F(JournalCommandTest, AStepACrashLeftUnfinishedIsFinishedBeforeARecordIsShown) {
  JournalOfPaths({"D:\\Alt\\Fax\\0001.PDF"}).WriteTo(table);
  const std::string finished = Stored("E:\\Neu\\0001.sff");
  constexpr std::uint64_t kRecordOne = 129;
  ASSERT_TRUE(LogCutWrite(PlatformFileSystem(), table, std::filesystem::file_size(table), kRecordOne,
                          std::span(reinterpret_cast<const std::uint8_t*>(finished.data()),
                                    finished.size())));
  std::vector<std::uint8_t> bytes = ReadFileBytes(table);
  std::copy(finished.begin(), finished.begin() + 16, bytes.begin() + kRecordOne);
  WriteFileBytes(table, bytes);
  ASSERT_EQ(RecordBytes(table, 1), Stored("E:\\Neu\\Fax\\0001.PDF"));  // cut inside the path

  Start();
  ChooseFile(kChooseTableButton, table);

  EXPECT_EQ(window.texts[kStoredPathBox], "E:\\Neu\\0001.sff");
  EXPECT_EQ(RecordBytes(table, 1), finished);
  EXPECT_FALSE(std::filesystem::exists(journal_detail::RecoveryPath(table)));
  PickFolder("F:\\Archiv");
  Click(kChangePathButton);
  EXPECT_EQ(RecordBytes(table, 1), Stored("F:\\Archiv\\0001.sff"));
}

TEST_F(JournalCommandTest, VanishedTableIsNeitherWrittenNorCreated) {
  Load(JournalOfPaths({"C:\\Fax\\0001.PDF", "C:\\Fax\\0002.PDF"}));
  const auto texts = window.texts;
  std::filesystem::remove(table);
  for (int control :
       {kNextButton, kChangePathButton, kChangeAllPathsButton, kDeleteDuplicatesButton}) {
    Click(control);
    EXPECT_FALSE(std::filesystem::exists(table)) << control;
  }
  EXPECT_EQ(window.texts[kStoredPathBox], texts.at(kStoredPathBox));
  EXPECT_FALSE(controller.State().Loaded);  // the redisplay after deleting refused it
}

TEST_F(JournalCommandTest, AppendAddsTheNewRecordsOfACompatibleTableAndShowsRecordOne) {
  Load(JournalOfPaths({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf"}));
  const std::string source = dir.File("old.dbf");
  DbfBuilder older;
  older.Field("datum", 'D', 8).Field("Datei", 'C', 40).Field("ERROR", 'C', 10);
  older.Record({"20240105", "C:\\Fax\\0002.pdf", ""})
      .Record({"20240105", "C:\\Fax\\0003.pdf", ""}, '*');
  older.WriteTo(source);
  const auto sourceBytes = ReadFileBytes(source);
  Click(kNextButton);

  ChooseFile(kAppendButton, source);

  ExpectBusyCursorAround();
  ExpectRecords({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf", "C:\\Fax\\0003.pdf"});
  ExpectRecordOneShownOf(3, "C:\\Fax\\0001.pdf");
  EXPECT_EQ(ReadFileBytes(source), sourceBytes);
  EXPECT_EQ(controller.State().SourcePath, source);
  std::string remembered;
  EXPECT_EQ(settings.LastFileSetting(remembered, 20), source);
}

// Of another layout, empty, no table at all, or the table itself: nothing is appended, but the
// table is still tidied and shown again from record 1.
TEST_F(JournalCommandTest, AppendOfAnUnfitSourceAppendsNothingAndShowsRecordOne) {
  Load(JournalOfPaths({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf"}));
  DbfBuilder wider;
  wider.Field("DATUM", 'D', 8).Field("DATEI", 'C', 41).Field("ERROR", 'C', 10);
  wider.Record({"20240105", "C:\\Fax\\0009.pdf", ""});
  DbfBuilder reordered;
  reordered.Field("DATUM", 'D', 8).Field("ERROR", 'C', 10).Field("DATEI", 'C', 40);
  reordered.Record({"20240105", "", "C:\\Fax\\0009.pdf"});
  wider.WriteTo(dir.File("wider.dbf"));
  reordered.WriteTo(dir.File("reordered.dbf"));
  JournalOfPaths({}).WriteTo(dir.File("empty.dbf"));
  WriteFileText(dir.File("text.dbf"), "no table");

  for (const std::string& source : {dir.File("wider.dbf"), dir.File("reordered.dbf"),
                                    dir.File("empty.dbf"), dir.File("text.dbf"), table}) {
    Click(kNextButton);
    ChooseFile(kAppendButton, source);
    ExpectBusyCursorAround();
    ExpectRecords({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf"});
    ExpectRecordOneShownOf(2, "C:\\Fax\\0001.pdf");
    EXPECT_TRUE(controller.State().Loaded) << source;
  }
}

// Appending the table to itself appends nothing, and must not tidy it either: the duplicates,
// the deleted records and the line breaks in ERROR stay, and so does every byte.
TEST_F(JournalCommandTest, AppendOfTheTableItselfLeavesEveryByte) {
  DbfBuilder builder = JournalOfPaths({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf"});
  for (int i = 0; i < 28; ++i) {
    builder.Record({"20240105", "C:\\Fax\\000" + std::to_string(i % 4) + ".pdf", "x\r\n"},
                   i % 3 == 0 ? '*' : ' ');
  }
  Load(builder);
  const auto before = ReadFileBytes(table);
  ChooseFile(kAppendButton, table);
  EXPECT_EQ(ReadFileBytes(table), before);
  ExpectRecordOneShownOf(30, "C:\\Fax\\0001.pdf");
}

TEST_F(JournalCommandTest, AppendDialogStartsAtLastSourceAndCancelChangesNothing) {
  Load(JournalOfPaths({"C:\\Fax\\0001.pdf"}));
  std::string last = dir.File("remembered.dbf");
  settings.LastFileSetting(last, 21);
  const std::string settingsBefore = SettingsFileText();
  const auto bytes = ReadFileBytes(table);
  window.sent.clear();

  dialogs.files.push_back(std::nullopt);
  Click(kAppendButton);
  EXPECT_EQ(dialogs.fileCalls.back().file, last);
  EXPECT_EQ(dialogs.fileCalls.back().filter, "Dbase 3 Plus (*.dbf)|*.dbf|");
  EXPECT_EQ(SettingsFileText(), settingsBefore);
  EXPECT_EQ(ReadFileBytes(table), bytes);
  EXPECT_TRUE(window.cursorChanges.empty());
  EXPECT_TRUE(window.sent.empty());

  const std::string source = dir.File("source.dbf");
  JournalOfPaths({}).WriteTo(source);
  ChooseFile(kAppendButton, source);
  dialogs.files.push_back(std::nullopt);
  Click(kAppendButton);
  EXPECT_EQ(dialogs.fileCalls.back().file, source);
}

TEST_F(JournalCommandTest, DeleteDuplicatesKeepsTheFirstOfEachAndShowsTheNewCount) {
  DbfBuilder builder = JournalOfPaths({"C:\\Fax\\A.pdf", "C:\\Fax\\B.pdf"});
  builder.Record({"20240105", "C:\\Fax\\A.pdf", ""}, '*');
  builder.Record({"20240105", "C:\\Fax\\C.pdf", ""});
  builder.Record({"20240105", "C:\\Fax\\B.pdf", ""});
  builder.Record({"20240105", "C:\\Fax\\c.pdf", ""});  // case counts
  Load(builder);
  Click(kNextButton);
  Click(kNextButton);

  Click(kDeleteDuplicatesButton);

  ExpectBusyCursorAround();
  ExpectRecords({"C:\\Fax\\A.pdf", "C:\\Fax\\B.pdf", "C:\\Fax\\C.pdf", "C:\\Fax\\c.pdf"});
  ExpectRecordOneShownOf(4, "C:\\Fax\\A.pdf");
  EXPECT_TRUE(window.enabled[kDeleteDuplicatesButton]);
  EXPECT_FALSE(engine.IsOpen(controller.State().Table));
}

// The fax application must not get the table between two steps of a command: at every action
// the command requests, an outside open fails; once the command has ended, it succeeds.
TEST_F(JournalCommandTest, AppendAndDeleteDuplicatesHoldTheTableFromFirstToLastStep) {
  DbfBuilder builder = JournalOfPaths({"C:\\Fax\\A.pdf", "C:\\Fax\\B.pdf"});
  builder.Record({"20240105", "C:\\Fax\\A.pdf", ""});
  Load(builder);
  const std::string source = dir.File("old.dbf");
  JournalOfPaths({"C:\\Fax\\B.pdf", "C:\\Fax\\C.pdf"}).WriteTo(source);
  std::vector<int> openedInBetween;
  window.beforeAction = [&](int code) {
    if (OtherProgramCanOpen(table)) openedInBetween.push_back(code);
  };

  Click(kDeleteDuplicatesButton);
  ChooseFile(kAppendButton, source);

  window.beforeAction = nullptr;
  EXPECT_EQ(openedInBetween, std::vector<int>{});
  EXPECT_TRUE(OtherProgramCanOpen(table));
  ExpectRecords({"C:\\Fax\\A.pdf", "C:\\Fax\\B.pdf", "C:\\Fax\\C.pdf"});
}

}  // namespace
}  // namespace dbt::test
