// The real window under Wine: its controls, the Tab order, and a session driven by window
// messages with scripted answers in place of the system dialogs.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/win32/main_window.h"
#include "settings/settings.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

class ScriptedDialogs : public Dialogs {
 public:
  std::string file;
  std::string folder;
  int FileDialog(std::string_view, std::string& chosen, const std::string&, std::string_view,
                 std::int32_t&, std::string_view, std::uint32_t&) override {
    chosen = file;
    return file.empty() ? 0 : 1;
  }
  std::string BrowseFolder() override { return folder; }
};

std::string Text(HWND window, int control) {
  char text[1024] = {};
  GetDlgItemTextA(window, control, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window, int control) {
  char name[64] = {};
  GetClassNameA(GetDlgItem(window, control), name, sizeof name);
  return name;
}

void Click(HWND window, int control) {
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, control)));
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

class MainWindowWin32 : public testing::Test {
 protected:
  void SetUp() override {
    hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    window.Show();
    PumpMessages();  // the posted start-up action
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }

  TempDir dir;
  Settings settings;
  ScriptedDialogs dialogs;
  MainWindow window{settings, &dialogs};
  HWND hwnd = nullptr;
};

struct ControlSpec {
  int id;
  const char* className;
  const char* text;
  bool enabled;
};

TEST_F(MainWindowWin32, HasItsControlsWithTheirClassesTextsAndStates) {
  const std::vector<ControlSpec> controls = {
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
  for (const ControlSpec& c : controls) {
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

}  // namespace
}  // namespace dbt::test
