// Which commands act in which state, the record navigation, the rename option, the folder
// button, quitting and the keeping of the focus.

#include <algorithm>

#include "tests/app/main_window_fixture.h"
#include "util/text.h"

namespace dbt::test {
namespace {

constexpr int kGatedCommands[] = {
    kPreviousButton,       kNextButton,   kChooseFolderButton,    kChangePathButton,
    kChangeAllPathsButton, kAppendButton, kDeleteDuplicatesButton};

// Clicks every gated command but those in acting; none may ask, show or write anything.
void ExpectGatedCommandsDoNothing(FakeWindow& window, ScriptedDialogs& dialogs,
                                  const std::string& table, MainWindowController& controller,
                                  const std::vector<int>& acting) {
  for (int control : kGatedCommands) {
    if (std::find(acting.begin(), acting.end(), control) != acting.end()) continue;
    const auto texts = window.texts;
    const auto bytes = table.empty() ? std::vector<std::uint8_t>{} : ReadFileBytes(table);
    const MainWindowState before = controller.State();
    dialogs.folders.push_back("E:\\Neu");
    dialogs.files.push_back(table);
    controller.OnCommand(control, 0);
    EXPECT_EQ(window.texts, texts) << control;
    EXPECT_TRUE(window.sent.empty()) << control;
    EXPECT_TRUE(window.cursorChanges.empty()) << control;
    EXPECT_TRUE(dialogs.fileCalls.empty()) << control;
    EXPECT_EQ(dialogs.folderCalls, 0) << control;
    EXPECT_EQ(controller.State().CurrentRecord, before.CurrentRecord) << control;
    EXPECT_EQ(controller.State().TargetFolder, before.TargetFolder) << control;
    if (!table.empty()) {
      EXPECT_EQ(ReadFileBytes(table), bytes) << control;
    }
    dialogs.folders.clear();
    dialogs.files.clear();
  }
}

TEST_F(MainWindowTest, WithoutTableOnlyChooseRenameAndQuitAct) {
  Start();
  ExpectGatedCommandsDoNothing(window, dialogs, "", controller, {});
}

TEST_F(MainWindowTest, WithEmptyTableOnlyAppendActs) {
  Start();
  const std::string table = dir.File("empty.dbf");
  JournalOfPaths({}).WriteTo(table);
  ChooseFile(kChooseTableButton, table);
  window.sent.clear();
  dialogs.fileCalls.clear();
  ExpectGatedCommandsDoNothing(window, dialogs, table, controller, {kAppendButton});
}

TEST_F(MainWindowTest, ButtonsActOnClicksOnlyButTheCheckBoxOnEveryNotification) {
  Start();
  const std::string table = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf"}).WriteTo(table);
  ChooseFile(kChooseTableButton, table);
  controller.OnCommand(kNextButton, 5);  // e.g. BN_SETFOCUS
  EXPECT_EQ(controller.State().CurrentRecord, 1);
  controller.OnCommand(kNextButton, 1);
  EXPECT_EQ(controller.State().CurrentRecord, 2);

  window.checks[kRenameCheckBox] = 1;
  controller.OnCommand(kRenameCheckBox, 6);
  EXPECT_EQ(controller.State().RenameToSff, 1);
}

TEST_F(MainWindowTest, NavigationStopsAtBothEnds) {
  Start();
  const std::string table = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0001.pdf", "C:\\Fax\\0002.pdf", "C:\\Fax\\0003.pdf"}).WriteTo(table);
  ChooseFile(kChooseTableButton, table);

  Click(kPreviousButton);
  EXPECT_EQ(controller.State().CurrentRecord, 1);
  EXPECT_EQ(window.texts[kStoredPathBox], "C:\\Fax\\0001.pdf");
  for (int expected : {2, 3, 3}) {
    Click(kNextButton);
    EXPECT_EQ(controller.State().CurrentRecord, expected);
    EXPECT_EQ(window.texts[kCurrentRecordBox], std::to_string(expected));
    EXPECT_EQ(window.texts[kStoredPathBox], "C:\\Fax\\000" + std::to_string(expected) + ".pdf");
  }
  Click(kPreviousButton);
  EXPECT_EQ(window.texts[kStoredPathBox], "C:\\Fax\\0002.pdf");
  EXPECT_FALSE(engine.IsOpen(controller.State().Table));
}

TEST_F(MainWindowTest, RenameOptionIsSavedAtOnceAndRebuildsTheProposedPath) {
  Start();
  const std::string table = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0001.PDF", "0002.tif"}).WriteTo(table);
  ChooseFile(kChooseTableButton, table);
  PickFolder("E:\\Neu");
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\0001.PDF");

  window.ToggleCheck(kRenameCheckBox);
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\0001.sff");
  std::int32_t saved = -1;
  EXPECT_EQ(settings.PdfToSffSetting(saved, 0), 1);

  Click(kNextButton);  // a stored name without folder is joined whole
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\0002.sff");

  window.ToggleCheck(kRenameCheckBox);
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\0002.tif");
  EXPECT_EQ(settings.PdfToSffSetting(saved, 0), 0);
}

TEST_F(MainWindowTest, RenameOptionWithoutTableIsSavedAndShowsNothing) {
  Start();
  const auto texts = window.texts;
  window.ToggleCheck(kRenameCheckBox);
  std::int32_t saved = -1;
  EXPECT_EQ(settings.PdfToSffSetting(saved, 0), 1);
  EXPECT_EQ(window.texts, texts);
}

TEST_F(MainWindowTest, FolderButtonSetsTargetFolderWithOneBackslashAndWritesNothing) {
  Start();
  const std::string table = dir.File("journal.dbf");
  JournalOfPaths({"C:\\Fax\\0002.PDF"}).WriteTo(table);
  ChooseFile(kChooseTableButton, table);
  const auto bytes = ReadFileBytes(table);

  PickFolder("  ");  // cancelled
  EXPECT_EQ(controller.State().TargetFolder, FolderOf(table));
  EXPECT_EQ(window.texts[kNewPathBox], FolderOf(table) + "0002.PDF");

  PickFolder("F:\\Archiv\\\\");
  EXPECT_EQ(controller.State().TargetFolder, "F:\\Archiv\\");
  EXPECT_EQ(window.texts[kNewPathBox], "F:\\Archiv\\0002.PDF");
  PickFolder("E:\\Neu");
  EXPECT_EQ(window.texts[kNewPathBox], "E:\\Neu\\0002.PDF");
  EXPECT_EQ(ReadFileBytes(table), bytes);
}

TEST_F(MainWindowTest, QuitEndsOnYesAndGivesTheFocusBackOnNo) {
  Start();
  window.focus = kQuitButton;
  window.quitAnswer = false;
  Click(kQuitButton);
  EXPECT_EQ(window.quitQuestions, 1);
  EXPECT_FALSE(window.ended);
  EXPECT_EQ(window.focusCalls, std::vector<int>{kQuitButton});

  window.quitAnswer = true;
  Click(kQuitButton);
  EXPECT_TRUE(window.ended);
}

TEST_F(MainWindowTest, FocusReturnsAfterTheWindowIsActivatedAgain) {
  Start();
  window.focus = kNextButton;
  controller.OnNcActivate(false);
  window.focus = 0;
  controller.OnNcActivate(true);
  EXPECT_EQ(window.focus, kNextButton);
  controller.OnNcActivate(true);  // nothing saved any more
  EXPECT_EQ(window.focusCalls.size(), 1u);
}

}  // namespace
}  // namespace dbt::test
