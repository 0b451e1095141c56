// Start-up and the choice of a table: which files are accepted as journals, and what each
// outcome leaves in the window, the state and the settings file.

#include <filesystem>

#include "tests/app/main_window_fixture.h"
#include "util/text.h"

namespace dbt::test {
namespace {

TEST_F(MainWindowTest, StartShowsProgramFolderAndSavedRenameOptionButOpensNoTable) {
  const std::string table = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0001.pdf"}).WriteTo(table);
  std::int32_t on = 1;
  settings.PdfToSffSetting(on, 1);
  std::string last = table;
  settings.LastFileSetting(last, 1);

  controller.OnCreate();
  EXPECT_EQ(window.texts[kProgramPathBox], settings.ExeFolder());
  EXPECT_EQ(window.texts[kProgramPathBox].back(), settings.ExeFolder().back());
  // The option is read only once the window runs its loop.
  EXPECT_EQ(window.posted, std::deque<int>{kInitState});
  EXPECT_EQ(window.checks.count(kRenameCheckBox), 0u);

  window.RunPosted();
  EXPECT_EQ(window.checks[kRenameCheckBox], 1);
  EXPECT_EQ(controller.State().RenameToSff, 1);
  EXPECT_FALSE(controller.State().Loaded);
  EXPECT_TRUE(controller.State().TablePath.empty());
  EXPECT_EQ(window.texts[kRecordCountBox], "0");
  EXPECT_FALSE(window.enabled[kAppendButton]);
}

TEST_F(MainWindowTest, StartWithoutSettingsFileLeavesRenameOptionOff) {
  Start();
  EXPECT_EQ(controller.State().RenameToSff, 0);
  EXPECT_EQ(window.checks[kRenameCheckBox], 0);
  EXPECT_FALSE(SettingsFileExists());
}

// A date stored as zero bytes (as some writers store an empty one) before the path: the boxes
// show the path's umlauts in ANSI like any other.
TEST_F(MainWindowTest, AZeroDateDoesNotLeaveThePathInOem) {
  Start();
  const std::string table = dir.File("journal.dbf");
  DbfBuilder builder;
  builder.Field("DATUM", 'D', 8).Field("DATEI", 'C', 30);
  builder.RawRecord(" " + std::string(8, '\0') +
                    "C:\\Fax\\\x8Erzte\\\x9A"
                    "bersicht.pdf    ");
  builder.WriteTo(table);

  ChooseFile(kChooseTableButton, table);

  ASSERT_TRUE(controller.State().Loaded);
  EXPECT_EQ(window.texts[kStoredPathBox],
            "C:\\Fax\\\xC4rzte\\\xDC"
            "bersicht.pdf");
  EXPECT_EQ(window.texts[kNewPathBox], FolderOf(table) +
                                           "\xDC"
                                           "bersicht.pdf");
}

TEST_F(MainWindowTest, AcceptedJournalShowsRecordOneLabelsAndIsRemembered) {
  Start();
  const std::string table = dir.File("journal.dbf");
  // Field names as stored count regardless of case; the labels show them as stored.
  DbfBuilder builder;
  builder.Field("datum", 'D', 8).Field("NR", 'N', 5).Field("DaTeI", 'C', 30);
  builder.Record({"20240105", "7", "C:\\Fax\\0001.PDF"})
      .Record({"20240106", "8", "C:\\Fax\\0002.PDF"});
  builder.WriteTo(table);
  const auto before = ReadFileBytes(table);

  ChooseFile(kChooseTableButton, table);

  const MainWindowState& state = controller.State();
  EXPECT_TRUE(state.Loaded);
  EXPECT_EQ(state.TablePath, table);
  EXPECT_EQ(state.RecordCount, 2);
  EXPECT_EQ(state.CurrentRecord, 1);
  EXPECT_EQ(state.PathField, 3);
  EXPECT_GT(state.Table, state.SourceTable);
  EXPECT_EQ(window.texts[kTableNameBox], FileNameOf(table));
  EXPECT_EQ(window.texts[kStoredPathBox], "C:\\Fax\\0001.PDF");
  EXPECT_EQ(window.texts[kNewPathBox], FolderOf(table) + "0001.PDF");
  EXPECT_EQ(window.texts[kRecordCountBox], "2");
  EXPECT_EQ(window.texts[kCurrentRecordBox], "1");
  EXPECT_EQ(window.texts[kRecordTotalBox], "2");
  EXPECT_EQ(window.texts[kStoredPathFieldLabel], " DaTeI ");
  EXPECT_EQ(window.texts[kNewPathFieldLabel], " DaTeI ");
  EXPECT_EQ(window.limits[kStoredPathBox], 30);
  EXPECT_EQ(window.limits[kNewPathBox], 30);
  EXPECT_TRUE(window.enabled[kAppendButton]);
  EXPECT_TRUE(window.enabled[kDeleteDuplicatesButton]);
  EXPECT_EQ(dialogs.BrowseStartFolder(), FolderOf(table));
  EXPECT_EQ(ReadFileBytes(table), before);  // looking is not writing
  std::string remembered;
  EXPECT_EQ(settings.LastFileSetting(remembered, 0), table);
  // Not held open: another exclusive open succeeds at once.
  EXPECT_NE(PlatformFileSystem().OpenExclusive(table, OpenAccess::ReadWrite).file, nullptr);
}

TEST_F(MainWindowTest, TableDialogStartsAtTablePathOrElseLastRememberedTable) {
  Start();
  const std::string table = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0001.pdf"}).WriteTo(table);
  std::string last = dir.File("older.dbf");
  settings.LastFileSetting(last, 1);

  dialogs.files.push_back(std::nullopt);
  Click(kChooseTableButton);
  ChooseFile(kChooseTableButton, table);
  ASSERT_EQ(dialogs.fileCalls.size(), 2u);
  EXPECT_EQ(dialogs.fileCalls[0].file, dir.File("older.dbf"));
  EXPECT_EQ(dialogs.fileCalls[0].mode, "\xD6");
  EXPECT_EQ(dialogs.fileCalls[0].filter, "Dbase 3 Plus (*.dbf)|*.dbf|");
  EXPECT_EQ(dialogs.fileCalls[0].initialFolder, "");

  dialogs.files.push_back(std::nullopt);
  Click(kChooseTableButton);
  EXPECT_EQ(dialogs.fileCalls[2].file, table);
}

TEST_F(MainWindowTest, CancelledTableDialogChangesNothing) {
  Start();
  dialogs.files.push_back(std::nullopt);
  const auto texts = window.texts;
  Click(kChooseTableButton);
  EXPECT_EQ(window.texts, texts);
  EXPECT_TRUE(controller.State().TablePath.empty());
  EXPECT_TRUE(window.sent.empty());
  EXPECT_FALSE(SettingsFileExists());
}

TEST_F(MainWindowTest, AcceptedEmptyJournalKeepsBoxesAndDisablesAppendAndDedupe) {
  Start();
  const std::string full = dir.File("full.dbf");
  const std::string empty = dir.File("empty.dbf");
  JournalOfPaths({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf"}).WriteTo(full);
  JournalOfPaths({}).WriteTo(empty);
  ChooseFile(kChooseTableButton, full);
  const auto texts = window.texts;

  ChooseFile(kChooseTableButton, empty);

  EXPECT_TRUE(controller.State().Loaded);
  EXPECT_EQ(controller.State().RecordCount, 0);
  EXPECT_EQ(controller.State().CurrentRecord, 0);
  for (int box : {kRecordCountBox, kCurrentRecordBox, kRecordTotalBox, kStoredPathBox, kNewPathBox})
    EXPECT_EQ(window.texts[box], texts.at(box)) << box;
  EXPECT_EQ(window.texts[kTableNameBox], FileNameOf(empty));
  EXPECT_EQ(window.texts[kStoredPathFieldLabel], " DATEI ");
  EXPECT_FALSE(window.enabled[kAppendButton]);
  EXPECT_FALSE(window.enabled[kDeleteDuplicatesButton]);
  std::string remembered;
  EXPECT_EQ(settings.LastFileSetting(remembered, 0), empty);
}

// Missing, not dBase at all, or no more than a header: refused, the path kept for the next
// choice, nothing remembered, and the buttons of the table before keep their state.
TEST_F(MainWindowTest, FileThatIsNoTableIsRefusedAndKept) {
  Start();
  const std::string good = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0001.pdf"}).WriteTo(good);
  const std::string text = dir.File("notes.dbf");
  WriteFileText(text, "This is a text file and no table at all.");
  const std::string header = dir.File("header.dbf");
  auto headerOnly = JournalOfPaths({}).Bytes();
  headerOnly.resize(32);
  WriteFileBytes(header, headerOnly);

  for (const std::string& file : {dir.File("missing.dbf"), text, header}) {
    ChooseFile(kChooseTableButton, good);
    const std::string settingsBefore = SettingsFileText();
    const auto texts = window.texts;
    const auto fileBefore =
        std::filesystem::exists(file) ? ReadFileBytes(file) : std::vector<std::uint8_t>{};

    ChooseFile(kChooseTableButton, file);

    const MainWindowState& state = controller.State();
    EXPECT_FALSE(state.Loaded) << file;
    EXPECT_EQ(state.TablePath, file);
    EXPECT_EQ(state.RecordCount, 0);
    EXPECT_EQ(state.CurrentRecord, 0);
    EXPECT_EQ(SettingsFileText(), settingsBefore);
    EXPECT_TRUE(window.enabled[kAppendButton]);
    EXPECT_EQ(window.texts[kStoredPathBox], texts.at(kStoredPathBox));
    EXPECT_EQ(window.texts[kTableNameBox], FileNameOf(file));
    // The check box's redisplay reads nothing from the refused file and shows nothing new.
    window.ToggleCheck(kRenameCheckBox);
    EXPECT_EQ(window.texts[kStoredPathBox], texts.at(kStoredPathBox));
    EXPECT_EQ(window.texts[kCurrentRecordBox], texts.at(kCurrentRecordBox));
    if (fileBefore.empty()) {
      EXPECT_FALSE(std::filesystem::exists(file));
    } else {
      EXPECT_EQ(ReadFileBytes(file), fileBefore);
    }
  }
}

TEST_F(MainWindowTest, TableOfAnotherStructureIsRefusedAndForgotten) {
  Start();
  DbfBuilder noPath;
  noPath.Field("DATUM", 'D', 8).Field("PFAD", 'C', 40).Record({"20240105", "C:\\a.pdf"});
  DbfBuilder dateNotFirst;
  dateNotFirst.Field("DATEI", 'C', 40).Field("DATUM", 'D', 8).Record({"C:\\a.pdf", "20240105"});
  int n = 0;
  for (const DbfBuilder& builder : {noPath, dateNotFirst}) {
    const std::string file = dir.File("other" + std::to_string(++n) + ".dbf");
    builder.WriteTo(file);
    const auto before = ReadFileBytes(file);

    ChooseFile(kChooseTableButton, file);

    EXPECT_FALSE(controller.State().Loaded) << file;
    EXPECT_TRUE(controller.State().TablePath.empty());
    EXPECT_EQ(controller.State().RecordCount, 0);
    EXPECT_EQ(window.texts[kTableNameBox], FileNameOf(file));
    EXPECT_EQ(window.texts[kRecordCountBox], "0");
    EXPECT_FALSE(SettingsFileExists());
    EXPECT_EQ(ReadFileBytes(file), before);
  }
}

TEST_F(MainWindowTest, EveryLoadTakesAFreshHandle) {
  Start();
  const std::string table = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0001.pdf"}).WriteTo(table);
  ChooseFile(kChooseTableButton, table);
  const TableHandle first = controller.State().Table;
  ChooseFile(kChooseTableButton, table);
  EXPECT_NE(controller.State().Table, first);
  EXPECT_NE(controller.State().Table, controller.State().SourceTable);
  EXPECT_FALSE(engine.IsOpen(controller.State().Table));
}

}  // namespace
}  // namespace dbt::test
