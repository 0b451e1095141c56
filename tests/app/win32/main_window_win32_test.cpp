// The real window under Wine: its controls, the Tab order, sessions driven by window messages
// with scripted answers in place of the system dialogs, and the quit question.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/win32/main_window.h"
#include "settings/settings.h"
#include "tests/app/win32/main_window_win32_support.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/dialog_driver_win32.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

using namespace std::string_literals;

std::string ClassOf(HWND window, int control) {
  char name[64] = {};
  GetClassNameA(GetDlgItem(window, control), name, sizeof name);
  return name;
}

class MainWindowWin32 : public testing::Test {
 protected:
  void SetUp() override {
    GetLocalTime(&start);
    hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    window.Show();
    PumpMessages();  // the posted start-up action
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }

  // The folder part of a path: where a freshly chosen table proposes to move its documents.
  std::string FolderPartOf(const std::string& file) const {
    return file.substr(0, file.rfind('\\') + 1);
  }
  // `expected` with the date that a command writing the table during this test stamps.
  std::string Written(const std::string& path, const DbfBuilder& expected) const {
    return WrittenBytes(expected, FileBytes(path), start);
  }

  TempDir dir;
  Settings settings;
  SettingsFileStash settingsFile{settings};  // before the window, which reads it at creation
  ScriptedDialogs dialogs;
  MainWindow window{settings, &dialogs};
  HWND hwnd = nullptr;
  SYSTEMTIME start{};
};

struct ExpectedControl {
  int id;
  const char* className;
  const char* text;
  bool enabled;
};

TEST_F(MainWindowWin32, HasItsControlsWithTheirClassesTextsAndStates) {
  const std::vector<ExpectedControl> controls = {
      {1001, "Static", "", true},
      {1002, "Static", "Programm Pfad:", true},
      {1003, "Edit", nullptr, true},
      {1004, "Static", "Dbase Datenbank:", true},
      {1005, "Edit", "", true},
      {1006, "Button", nullptr, true},
      {1007, "Static", "Anzahl Datens\xE4tze:", true},
      {1008, "Edit", "0", true},
      {1009, "Static", "Datensatz:", true},
      {1010, "Edit", "0", true},
      {1011, "Static", " von ", true},
      {1012, "Edit", "0", true},
      {1013, "Button", nullptr, true},
      {1014, "Button", nullptr, true},
      {1015, "Static", "Vorhandener Dateipfad im Dbase Datenbank Feld:", true},
      {1017, "Static", "DATEI", true},
      {1016, "Edit", "", true},
      {1025, "Button", "Datei PDF zu SFF umbenennen", true},
      {1018, "Static", "Neuer Dateipfad im Dbase Datenbank Feld:", true},
      {1020, "Static", "DATEI", true},
      {1019, "Edit", "", true},
      {1021, "Button", nullptr, true},
      {1022, "Static", "Dateipfad im Datensatz \xE4ndern:", true},
      {1023, "Button", "Pfad \xE4ndern", true},
      {1024, "Button", "Pfad \xE4ndern -> alle Datens\xE4tze", true},
      {1031, "Button", "Datenbank hinzuf\xFCgen", false},
      {1032, "Button", "Doppelte Datens\xE4tze L\xF6schen", false},
      {1035, "Button", "Ende", true},
  };
  int children = 0;
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    ++children;
  EXPECT_EQ(children, 28);
  for (const ExpectedControl& c : controls) {
    ASSERT_NE(GetDlgItem(hwnd, c.id), nullptr) << c.id;
    EXPECT_STRCASEEQ(ClassOf(hwnd, c.id).c_str(), c.className) << c.id;
    if (c.text) {
      EXPECT_EQ(Text(hwnd, c.id), c.text) << c.id;
    }
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(hwnd, c.id)) != FALSE, c.enabled) << c.id;
  }
  const std::string folder = Text(hwnd, kProgramPathBox);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  const LONG_PTR style = GetWindowLongPtrA(GetDlgItem(hwnd, kStoredPathBox), GWL_STYLE);
  EXPECT_TRUE(style & ES_READONLY);
  char title[128] = {};
  GetWindowTextA(hwnd, title, sizeof title);
  EXPECT_STREQ(title, " Merlopost Dbase Tool Dateipfad \xE4ndern");
}

TEST_F(MainWindowWin32, TabVisitsTheControlsInTheirOrder) {
  const std::vector<int> expected = {1003, 1005, 1006, 1008, 1010, 1012, 1013, 1014,
                                     1016, 1025, 1019, 1021, 1023, 1024, 1035};
  HWND at = GetDlgItem(hwnd, expected.front());
  std::vector<int> visited = {GetDlgCtrlID(at)};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    at = GetNextDlgTabItem(hwnd, at, FALSE);
    visited.push_back(GetDlgCtrlID(at));
  }
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(hwnd, at, FALSE)), expected.front());
}

TEST_F(MainWindowWin32, SessionChoosesStepsAndChangesAllPaths) {
  const std::string table = dir.File("journal.dbf");
  DbfBuilder builder;
  builder.Field("DATUM", 'D', 8).Field("DATEI", 'C', 40);
  builder.Record({"20240105", "C:\\Fax\\0001.PDF"});
  builder.Record({"20240106", "C:\\Fax\\0002.PDF"}, '*');
  builder.WriteTo(table);

  dialogs.file = table;
  Click(hwnd, kChooseTableButton);
  EXPECT_EQ(Text(hwnd, kTableNameBox), "journal.dbf");
  EXPECT_EQ(Text(hwnd, kRecordCountBox), "2");
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "1");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "C:\\Fax\\0001.PDF");
  EXPECT_EQ(Text(hwnd, kStoredPathFieldLabel), " DATEI ");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, kAppendButton)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, kDeleteDuplicatesButton)));

  Click(hwnd, kNextButton);
  Click(hwnd, kNextButton);
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "2");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "C:\\Fax\\0002.PDF");

  dialogs.folder = "E:\\Neu";
  Click(hwnd, kChooseFolderButton);
  EXPECT_EQ(Text(hwnd, kNewPathBox), "E:\\Neu\\0002.PDF");

  Click(hwnd, kChangeAllPathsButton);
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "E:\\Neu\\0002.PDF");
  const std::vector<std::uint8_t> bytes = ReadFileBytes(table);  // closed between commands
  ASSERT_EQ(bytes.size(), builder.Bytes().size());
  const std::string records(bytes.begin() + 97, bytes.end() - 1);
  std::string first = " 20240105E:\\Neu\\0001.PDF";
  std::string second = " 20240106E:\\Neu\\0002.PDF";
  first.resize(49, ' ');
  second.resize(49, ' ');
  EXPECT_EQ(records, first + second);
}

TEST_F(MainWindowWin32, StepsToBothEndsAndChangesThePathOfTheShownRecordOnly) {
  const std::string table = dir.File("journal.dbf");
  const std::vector<std::string> first = {"20240105", "C:\\Fax\\0001.PDF", "OK"};
  const std::vector<std::string> third = {"20240107", "C:\\Fax\\0003.pdf", "OK"};
  DbfBuilder original = JournalLayout();
  original.Record(first).Record({"20240106", "C:\\Fax\\0002.PDF", "Besetzt"}, '*').Record(third);
  original.WriteTo(table);
  const std::string unchanged = FileBytes(table);

  dialogs.file = table;
  Click(hwnd, kChooseTableButton);
  EXPECT_EQ(Text(hwnd, kTableNameBox), "journal.dbf");
  EXPECT_EQ(Text(hwnd, kRecordCountBox), "3");
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "1");
  EXPECT_EQ(Text(hwnd, kRecordTotalBox), "3");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "C:\\Fax\\0001.PDF");
  EXPECT_EQ(Text(hwnd, kNewPathBox), FolderPartOf(table) + "0001.PDF");
  EXPECT_EQ(settingsFile.Value("LastFileOpen", "LastFile01"), table);

  struct Step {
    int button;
    const char* record;
    const char* storedPath;
  };
  const std::vector<Step> steps = {
      {kPreviousButton, "1", "C:\\Fax\\0001.PDF"},  // back from the first: it stays
      {kNextButton, "2", "C:\\Fax\\0002.PDF"},      // on
      {kNextButton, "3", "C:\\Fax\\0003.pdf"},      // on to the last
      {kNextButton, "3", "C:\\Fax\\0003.pdf"},      // on from the last: it stays
      {kPreviousButton, "2", "C:\\Fax\\0002.PDF"},  // back
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i + 1));
    Click(hwnd, steps[i].button);
    EXPECT_EQ(Text(hwnd, kCurrentRecordBox), steps[i].record);
    EXPECT_EQ(Text(hwnd, kRecordTotalBox), "3");
    EXPECT_EQ(Text(hwnd, kStoredPathBox), steps[i].storedPath);
  }

  dialogs.folder = "E:\\Neu";
  Click(hwnd, kChooseFolderButton);
  EXPECT_EQ(Text(hwnd, kNewPathBox), "E:\\Neu\\0002.PDF");
  // Looking at records and choosing a folder write nothing, not even the header's date.
  EXPECT_EQ(FileBytes(table), unchanged);

  Click(hwnd, kChangePathButton);
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "2");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "E:\\Neu\\0002.PDF");
  DbfBuilder changed = JournalLayout();
  changed.Record(first).Record({"20240106", "E:\\Neu\\0002.PDF", "Besetzt"}).Record(third);
  // The deleted record is live again; its neighbours are untouched.
  EXPECT_EQ(FileBytes(table), Written(table, changed));
}

TEST_F(MainWindowWin32, RenameOptionIsSavedAtOnceAndTheSffPathsOfAllRecordsMeetAsDuplicates) {
  const std::string table = dir.File("journal.dbf");
  DbfBuilder original = JournalLayout();
  original.Record({"20240105", "C:\\Fax\\0001.PDF", "OK"})
      .Record({"20240106", "C:\\Fax\\0002.pdf", "Besetzt"}, '*')
      .Record({"20240105", "D:\\Alt\\0001.pdf", "OK"})  // the same fax, kept in another folder
      .Record({"20240107", "C:\\Fax\\0003.pdf", "Kein Ton"});
  original.WriteTo(table);
  const std::string unchanged = FileBytes(table);

  dialogs.file = table;
  Click(hwnd, kChooseTableButton);
  dialogs.folder = "E:\\Neu";
  Click(hwnd, kChooseFolderButton);
  EXPECT_EQ(Text(hwnd, kNewPathBox), "E:\\Neu\\0001.PDF");
  EXPECT_FALSE(IsChecked(hwnd, kRenameCheckBox));

  ClickCheckBox(hwnd, kRenameCheckBox);
  EXPECT_TRUE(IsChecked(hwnd, kRenameCheckBox));
  EXPECT_EQ(settingsFile.Value("PDFtoSFF", "PDFtoSFF"), "1"s);
  EXPECT_EQ(Text(hwnd, kNewPathBox), "E:\\Neu\\0001.sff");
  EXPECT_EQ(FileBytes(table), unchanged);  // the option alone changes no record

  Click(hwnd, kChangeAllPathsButton);
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "1");
  EXPECT_EQ(Text(hwnd, kRecordCountBox), "4");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "E:\\Neu\\0001.sff");
  DbfBuilder relocated = JournalLayout();
  relocated.Record({"20240105", "E:\\Neu\\0001.sff", "OK"})
      .Record({"20240106", "E:\\Neu\\0002.sff", "Besetzt"})
      .Record({"20240105", "E:\\Neu\\0001.sff", "OK"})
      .Record({"20240107", "E:\\Neu\\0003.sff", "Kein Ton"});
  EXPECT_EQ(FileBytes(table), Written(table, relocated));

  Click(hwnd, kNextButton);
  Click(hwnd, kDeleteDuplicatesButton);
  EXPECT_EQ(Text(hwnd, kRecordCountBox), "3");
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "1");  // shown from the first record again
  EXPECT_EQ(Text(hwnd, kRecordTotalBox), "3");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "E:\\Neu\\0001.sff");
  EXPECT_TRUE(IsEnabled(hwnd, kAppendButton));
  EXPECT_TRUE(IsEnabled(hwnd, kDeleteDuplicatesButton));
  DbfBuilder deduplicated = JournalLayout();
  deduplicated.Record({"20240105", "E:\\Neu\\0001.sff", "OK"})
      .Record({"20240106", "E:\\Neu\\0002.sff", "Besetzt"})
      .Record({"20240107", "E:\\Neu\\0003.sff", "Kein Ton"});
  EXPECT_EQ(FileBytes(table), Written(table, deduplicated));

  ClickCheckBox(hwnd, kRenameCheckBox);
  EXPECT_FALSE(IsChecked(hwnd, kRenameCheckBox));
  EXPECT_EQ(settingsFile.Value("PDFtoSFF", "PDFtoSFF"), "0"s);
  EXPECT_EQ(Text(hwnd, kNewPathBox), "E:\\Neu\\0001.sff");  // off never turns sff back
}

TEST_F(MainWindowWin32, AppendingAnotherJournalKeepsOnlyTheRecordsNotAlreadyThere) {
  const std::string table = dir.File("journal.dbf");
  const std::vector<std::string> first = {"20240105", "E:\\Neu\\0001.sff", "OK"};
  const std::vector<std::string> second = {"20240106", "E:\\Neu\\0002.sff", "Besetzt"};
  DbfBuilder target = JournalLayout();
  target.Record(first).Record(second);
  target.WriteTo(table);
  const std::string other = dir.File("alt.dbf");
  DbfBuilder source = JournalLayout();
  source.Record(second)
      .Record({"20240107", "E:\\Neu\\0003.sff", "OK"}, '*')
      .Record({"20240105", "E:\\Neu\\0001.sff", "OK\r\n"});  // equal once the line end is cut
  source.WriteTo(other);
  const std::string sourceBytes = FileBytes(other);

  dialogs.file = table;
  Click(hwnd, kChooseTableButton);
  Click(hwnd, kNextButton);
  dialogs.file = other;
  Click(hwnd, kAppendButton);

  EXPECT_EQ(Text(hwnd, kTableNameBox), "journal.dbf");
  EXPECT_EQ(Text(hwnd, kRecordCountBox), "3");
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "1");
  EXPECT_EQ(Text(hwnd, kRecordTotalBox), "3");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "E:\\Neu\\0001.sff");
  EXPECT_EQ(settingsFile.Value("LastFileOpen", "LastFile01"), table);
  EXPECT_EQ(settingsFile.Value("LastFileOpen", "LastFile02"), other);
  DbfBuilder appended = JournalLayout();
  appended.Record(first).Record(second).Record({"20240107", "E:\\Neu\\0003.sff", "OK"});
  EXPECT_EQ(FileBytes(table), Written(table, appended));
  EXPECT_EQ(FileBytes(other), sourceBytes);  // the source is only read

  Click(hwnd, kNextButton);
  Click(hwnd, kNextButton);
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "3");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "E:\\Neu\\0003.sff");
}

// What the quit question showed while it was up.
struct QuitQuestion {
  bool shown = false;
  HWND owner = nullptr;
  std::vector<std::string> texts;  // of the visible static controls
  std::vector<int> buttons;        // the visible buttons, by number
  bool hasIcon = false;
};

// The icon a static control shows; 0 for none (a message box may keep an empty icon place).
LRESULT IconOf(HWND control) {
  DWORD_PTR icon = 0;
  if (!SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon)) return 0;
  return static_cast<LRESULT>(icon);
}

void LookAtQuestion(HWND box, QuitQuestion& seen) {
  seen.shown = true;
  seen.owner = GetWindow(box, GW_OWNER);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if (lstrcmpiA(name, "Button") == 0) {
      seen.buttons.push_back(GetDlgCtrlID(child));
    } else if (lstrcmpiA(name, "Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON && IconOf(child) != 0) seen.hasIcon = true;
      seen.texts.push_back(WindowText(child));
    }
  }
  std::sort(seen.buttons.begin(), seen.buttons.end());
}

// "Ende", with the question answered by a second thread.
QuitQuestion ClickEndAndAnswer(HWND window, int answer) {
  QuitQuestion seen;
  WhileShowing([&] { Click(window, kQuitButton); },
               [&](DWORD thread) {
                 const HWND box = WaitForDialogTitled(thread, " Info");
                 if (box == nullptr) return;
                 LookAtQuestion(box, seen);
                 PressButton(box, answer);
               });
  return seen;
}

TEST_F(MainWindowWin32, EndAsksFirstNoKeepsTheWindowAndYesEndsItSavingThePlacement) {
  SetFocus(GetDlgItem(hwnd, kChangeAllPathsButton));
  ASSERT_EQ(GetDlgCtrlID(GetFocus()), kChangeAllPathsButton);

  const QuitQuestion no = ClickEndAndAnswer(hwnd, IDNO);
  ASSERT_TRUE(no.shown) << "no message box titled \" Info\"";
  EXPECT_EQ(no.owner, hwnd);
  EXPECT_NE(std::find(no.texts.begin(), no.texts.end(), " ? Programm beenden : JA / NEIN "),
            no.texts.end());
  EXPECT_EQ(no.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_FALSE(no.hasIcon);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(window.Hwnd(), hwnd);
  EXPECT_EQ(GetDlgCtrlID(GetFocus()), kChangeAllPathsButton);
  EXPECT_EQ(settingsFile.Value("HmWinPos", "HmWinPosX"), std::nullopt);  // nothing saved yet

  const QuitQuestion yes = ClickEndAndAnswer(hwnd, IDYES);
  EXPECT_TRUE(yes.shown);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(window.Hwnd(), nullptr);
  // Ending goes through the close message, which saves the placement.
  EXPECT_NE(settingsFile.Value("HmWinPos", "HmWinPosX"), std::nullopt);
  EXPECT_EQ(settingsFile.Value("HmWinPos", "HmWinPosMinm"), "0"s);
}

}  // namespace
}  // namespace dbt::test
