// dbasetool.exe as a user meets it: copied into a folder of its own, started as a process of
// its own, its window found by its title and driven by window messages from this process.
// Every wait is bounded; a process that a failing test leaves running is ended by force.

#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/dialog_driver_win32.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"
#include "util/win32/scoped_handles.h"

namespace dbt::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

const std::string kWindowTitle = " Merlopost Dbase Tool Dateipfad \xE4ndern";
const std::string kOpenTitle =
    " Datei \xD6"
    "ffnen ";
const std::string kQuitTitle = " Info";
const std::string kQuitQuestion = " ? Programm beenden : JA / NEIN ";
constexpr int kMessageBoxText = 0xFFFF;  // the static control that holds a message box's text

constexpr milliseconds kStartTimeout{20000};  // a fresh Wine prefix takes its time
constexpr milliseconds kResultTimeout{10000};
constexpr UINT kSendTimeoutMs = 10000;

// The temporary folder's path is long, and the changed paths must fit the field.
constexpr std::uint8_t kPathFieldLength = 160;

// A program's path, from the variable when it is set (the test command points it at the
// unpacked package), else as built. A Unix path, as the cross build and the test command give
// it, is served by Wine as Z:.
std::string ProgramPath(const char* variable, const char* built) {
  const char* given = std::getenv(variable);
  std::string path = given != nullptr && *given != '\0' ? given : built;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return path;
}

std::string BuiltProgram() {
  return ProgramPath("DBT_DBASETOOL_EXE", DBT_DBASETOOL_EXE);
}

std::string BuiltCli() {
  return ProgramPath("DBT_DBASETOOL_CLI_EXE", DBT_DBASETOOL_CLI_EXE);
}

// Runs dbasetool-cli with a command line in the ANSI code page; its exit code, or -1 when it
// did not start or end in time.
int RunCli(const std::string& arguments) {
  const std::string exe = BuiltCli();
  std::string commandLine = "\"" + exe + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return -1;
  }
  ScopedHandle process(started.hProcess);
  ScopedHandle thread(started.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.Get(), &code)) {
    return -1;
  }
  return static_cast<int>(code);
}

// The program under test, a process of its own; ended by force when it is still running at the
// end, so that a failing test never leaves it behind.
class Program {
 public:
  Program() = default;
  ~Program() { EndIfRunning(); }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Start(const std::string& exe, const std::string& folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
      return false;
    }
    process_.Reset(started.hProcess);
    thread_.Reset(started.hThread);
    id_ = started.dwProcessId;
    return true;
  }

  DWORD Id() const { return id_; }
  HANDLE Process() const { return process_.Get(); }

  // The exit code once the process has ended within the timeout; nothing while it runs on.
  std::optional<DWORD> ExitCode(milliseconds timeout) const {
    if (WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
      return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.Get(), &code)) return std::nullopt;
    return code;
  }

  void EndIfRunning() {
    if (process_.Get() == nullptr) return;
    if (WaitForSingleObject(process_.Get(), 0) != WAIT_TIMEOUT) return;
    TerminateProcess(process_.Get(), 1);
    WaitForSingleObject(process_.Get(), 5000);
  }

 private:
  ScopedHandle process_;
  ScopedHandle thread_;
  DWORD id_ = 0;
};

// Looks again until `done` holds or the time is up; whether it came to hold.
bool Eventually(const std::function<bool()>& done, milliseconds timeout = kResultTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(50);
  }
  return true;
}

struct WindowSearch {
  DWORD process = 0;
  HWND found = nullptr;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM search) {
  auto& wanted = *reinterpret_cast<WindowSearch*>(search);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != wanted.process || !IsWindowVisible(window)) return TRUE;
  // For another process's window this reads the stored title without sending a message.
  char title[128] = {};
  GetWindowTextA(window, title, sizeof title);
  if (kWindowTitle != title) return TRUE;
  wanted.found = window;
  return FALSE;
}

// The program's visible top-level window of that title, waited for; nullptr when none came.
HWND WaitForMainWindow(DWORD process) {
  WindowSearch search{process, nullptr};
  Eventually(
      [&search] {
        EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      kStartTimeout);
  return search.found;
}

std::string Text(HWND window, int control) {
  return WindowText(GetDlgItem(window, control));
}

// A click that returns once the command has run; false when the program did not answer in time.
bool Click(HWND window, int control) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(window, control)), SMTO_NORMAL,
                             kSendTimeoutMs, &result) != 0;
}

// A click that returns at once, for the commands that wait inside a modal dialog.
void PostClick(HWND window, int control) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, control)));
}

// As the mouse would click it: the check box flips its own state and then tells its window.
bool ClickCheckBox(HWND window, int control) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(GetDlgItem(window, control), BM_CLICK, 0, 0, SMTO_NORMAL,
                             kSendTimeoutMs, &result) != 0;
}

bool IsChecked(HWND window, int control) {
  DWORD_PTR state = 0;
  return SendMessageTimeoutA(GetDlgItem(window, control), BM_GETCHECK, 0, 0, SMTO_NORMAL,
                             kSendTimeoutMs, &state) != 0 &&
         state == BST_CHECKED;
}

// The box for the file name: a combo box in newer dialogs, an edit control in older ones.
HWND FileNameBox(HWND dialog) {
  const HWND combo = GetDlgItem(dialog, cmb13);
  return combo != nullptr ? combo : GetDlgItem(dialog, edt1);
}

// One key of the settings file as the profile services read it; "<none>" when it is missing.
std::string IniValue(const std::string& file, const char* section, const char* key) {
  char value[520] = {};
  GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
  return value;
}

// A key's value as a plain decimal integer; nothing when it is missing or holds anything else.
std::optional<long> IniInteger(const std::string& file, const char* section, const char* key) {
  const std::string text = IniValue(file, section, key);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return std::nullopt;
  return value;
}

struct JournalEntry {
  std::string date;
  std::string path;
  std::string error;
  char flag;
};

DbfBuilder Journal(const std::vector<JournalEntry>& rows) {
  DbfBuilder table = JournalLayout(kPathFieldLength);
  for (const JournalEntry& row : rows) table.Record({row.date, row.path, row.error}, row.flag);
  return table;
}

// Bytes as text, so that a mismatch shows readably.
std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class DbasetoolExe : public testing::Test {
 protected:
  void SetUp() override {
    exe_ = dir_.File("dbasetool.exe");
    ini_ = dir_.File("dbasetool.ini");
    table_ = dir_.File("journal.dbf");
    folder_ = dir_.Path().string() + "\\";
    std::error_code error;
    fs::copy_file(BuiltProgram(), exe_, error);
    ASSERT_FALSE(error) << BuiltProgram() << ": " << error.message();
  }

  // Starts the copy and waits for its window; records a failure when it does not come.
  HWND StartProgram() {
    if (!program_.Start(exe_, dir_.Path().string())) {
      const DWORD error = GetLastError();
      ADD_FAILURE() << exe_ << " did not start, error " << error;
      return nullptr;
    }
    WaitForInputIdle(program_.Process(), static_cast<DWORD>(kStartTimeout.count()));
    const HWND window = WaitForMainWindow(program_.Id());
    if (window == nullptr) ADD_FAILURE() << "no window titled \"" << kWindowTitle << "\"";
    return window;
  }

  // Chooses table in the real open-file dialog, typed as a user would, and waits until the
  // window has taken it: enabling the append and dedupe buttons is the command's last step.
  static void ChooseTable(HWND window, const std::string& table) {
    PostClick(window, kChooseTableButton);
    const HWND open = WaitForDialogTitled(GetWindowThreadProcessId(window, nullptr), kOpenTitle);
    ASSERT_NE(open, nullptr) << "no dialog titled \"" << kOpenTitle << "\"";
    ASSERT_TRUE(SetControlText(FileNameBox(open), table));
    PressButton(open, IDOK);
    ASSERT_TRUE(Eventually([&] {
      return IsWindowEnabled(GetDlgItem(window, kDeleteDuplicatesButton));
    })) << "the table was not accepted";
  }

  void TearDown() override { program_.EndIfRunning(); }

  TempDir dir_;
  std::string exe_, ini_, table_, folder_;
  Program program_;  // after dir_: ended before the folder is removed
};

TEST_F(DbasetoolExe, ChoosesStepsRenamesChangesAllPathsAndQuits) {
  ASSERT_LE(folder_.size() + 8, kPathFieldLength) << folder_;
  Journal({{"20240105", "C:\\Fax\\0001.PDF", "OK", ' '},
           {"20240106", "C:\\Fax\\0002.pdf", "Besetzt", '*'},
           {"20240107", "D:\\Alt\\0003.tif", "OK", ' '}})
      .WriteTo(table_);

  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  const DWORD uiThread = GetWindowThreadProcessId(window, nullptr);

  ASSERT_NO_FATAL_FAILURE(ChooseTable(window, table_));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, kAppendButton)));
  EXPECT_EQ(Text(window, kTableNameBox), "journal.dbf");
  EXPECT_EQ(Text(window, kRecordCountBox), "3");
  EXPECT_EQ(Text(window, kRecordTotalBox), "3");
  EXPECT_EQ(Text(window, kCurrentRecordBox), "1");
  EXPECT_EQ(Text(window, kStoredPathBox), "C:\\Fax\\0001.PDF");
  EXPECT_EQ(Text(window, kNewPathBox), folder_ + "0001.PDF");
  EXPECT_EQ(Text(window, kStoredPathFieldLabel), " DATEI ");

  // Step on; a deleted record is shown like any other.
  ASSERT_TRUE(Click(window, kNextButton));
  EXPECT_EQ(Text(window, kCurrentRecordBox), "2");
  EXPECT_EQ(Text(window, kStoredPathBox), "C:\\Fax\\0002.pdf");
  EXPECT_EQ(Text(window, kNewPathBox), folder_ + "0002.pdf");

  // The rename option is kept at once and the proposal follows it.
  ASSERT_TRUE(ClickCheckBox(window, kRenameCheckBox));
  EXPECT_TRUE(IsChecked(window, kRenameCheckBox));
  EXPECT_EQ(Text(window, kNewPathBox), folder_ + "0002.sff");
  EXPECT_EQ(IniValue(ini_, "PDFtoSFF", "PDFtoSFF"), "1");

  // Every record moves into the table's folder as .sff and is live; nothing else changes.
  ASSERT_TRUE(Click(window, kChangeAllPathsButton));
  EXPECT_EQ(Text(window, kCurrentRecordBox), "2");
  EXPECT_EQ(Text(window, kStoredPathBox), folder_ + "0002.sff");
  std::vector<std::uint8_t> expected = Journal({{"20240105", folder_ + "0001.sff", "OK", ' '},
                                                {"20240106", folder_ + "0002.sff", "Besetzt", ' '},
                                                {"20240107", folder_ + "0003.sff", "OK", ' '}})
                                           .Bytes();
  const std::vector<std::uint8_t> changed = ReadFileBytes(table_);
  ASSERT_EQ(changed.size(), expected.size());
  // The header's date of last update is the day of the run; the rest must match byte for byte.
  std::copy(changed.begin() + 1, changed.begin() + 4, expected.begin() + 1);
  EXPECT_EQ(AsText(changed), AsText(expected));

  // "Ende" asks first; Yes ends the program normally, with the placement written.
  PostClick(window, kQuitButton);
  const HWND question = WaitForDialogTitled(uiThread, kQuitTitle);
  ASSERT_NE(question, nullptr) << "no message box titled \"" << kQuitTitle << "\"";
  EXPECT_EQ(Text(question, kMessageBoxText), kQuitQuestion);
  PressButton(question, IDYES);
  const std::optional<DWORD> exitCode = program_.ExitCode(kResultTimeout);
  ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
  EXPECT_EQ(*exitCode, 0u);

  EXPECT_EQ(IniValue(ini_, "LastFileOpen", "LastFile01"), table_);
  EXPECT_EQ(IniValue(ini_, "PDFtoSFF", "PDFtoSFF"), "1");
  const std::optional<long> left = IniInteger(ini_, "HmWinPos", "HmWinPosX");
  const std::optional<long> top = IniInteger(ini_, "HmWinPos", "HmWinPosY");
  const std::optional<long> width = IniInteger(ini_, "HmWinPos", "HmWinPosW");
  const std::optional<long> height = IniInteger(ini_, "HmWinPos", "HmWinPosH");
  const std::optional<long> sizeState = IniInteger(ini_, "HmWinPos", "HmWinPosMinm");
  ASSERT_TRUE(left && top && width && height && sizeState) << AsText(ReadFileBytes(ini_));
  // Dialog units of the unmoved window: the outer rectangle lies just above and left of the
  // designed client origin (34, 39) and just exceeds the designed client size (444 x 261).
  // Pixels would be half as large again at least.
  EXPECT_GE(*left, 0);
  EXPECT_LE(*left, 34);
  EXPECT_GE(*top, 0);
  EXPECT_LE(*top, 39);
  EXPECT_GE(*width, 444);
  EXPECT_LT(*width, 500);
  EXPECT_GE(*height, 261);
  EXPECT_LT(*height, 320);
  EXPECT_EQ(*sizeState, 0);
}

TEST_F(DbasetoolExe, NextStartTakesTheOptionAndPlacementAndTheCaptionCloseSavesThem) {
  Journal({{"20240105", "C:\\Fax\\0001.PDF", "OK", ' '}}).WriteTo(table_);
  // Left a multiple of 4 and top and size multiples of 8 dialog units come back unrounded from
  // pixels; the size exceeds the designed one, so it is taken as well.
  WriteFileText(ini_, "[LastFileOpen]\r\nLastFile01=\"" + table_ +
                          "\"\r\n[PDFtoSFF]\r\nPDFtoSFF=1\r\n[HmWinPos]\r\nHmWinPosX=100\r\n"
                          "HmWinPosY=80\r\nHmWinPosW=480\r\nHmWinPosH=304\r\nHmWinPosMinm=0\r\n");

  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(Eventually([&] { return IsChecked(window, kRenameCheckBox); }));
  // The remembered table is only the open dialog's start file: nothing is loaded.
  EXPECT_EQ(Text(window, kTableNameBox), "");
  EXPECT_EQ(Text(window, kRecordCountBox), "0");
  EXPECT_EQ(Text(window, kStoredPathBox), "");

  // The caption's close button: no question, and the placement is measured where the window is.
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  const std::optional<DWORD> exitCode = program_.ExitCode(kResultTimeout);
  ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
  EXPECT_EQ(*exitCode, 0u);
  EXPECT_EQ(IniInteger(ini_, "HmWinPos", "HmWinPosX"), 100);
  EXPECT_EQ(IniInteger(ini_, "HmWinPos", "HmWinPosY"), 80);
  EXPECT_EQ(IniInteger(ini_, "HmWinPos", "HmWinPosW"), 480);
  EXPECT_EQ(IniInteger(ini_, "HmWinPos", "HmWinPosH"), 304);
  EXPECT_EQ(IniInteger(ini_, "HmWinPos", "HmWinPosMinm"), 0);
  EXPECT_EQ(IniValue(ini_, "LastFileOpen", "LastFile01"), table_);
}

// The window and dbasetool-cli take their code pages from the system, so both store a folder
// with the same bytes: the cent sign (0xA2 in ANSI 1252) is 0x9B in OEM 437 and 0xBD in OEM 850;
// the Polish letters of 1250 have no table of ours, the system converts them. CTest runs this
// once under each OEM code page (DBT_EXPECT_OEMCP).
struct FolderOfARun {
  UINT oem;
  const char *ansi, *stored;
};
constexpr FolderOfARun kFolders[] = {{437, "B\xFCro\xA2", "B\x81ro\x9B"},
                                     {850, "B\xFCro\xA2", "B\x81ro\xBD"},
                                     {852, "\xA3\xF3\x64\x9F", "\x9D\xA2\x64\xAB"}};  // Łódź

TEST_F(DbasetoolExe, WindowAndCommandLineToolStorePathsInTheSystemsOemCodePage) {
  const UINT oem = GetOEMCP();
  const auto run = std::find_if(std::begin(kFolders), std::end(kFolders),
                                [oem](const FolderOfARun& f) { return f.oem == oem; });
  ASSERT_NE(run, std::end(kFolders)) << "OEM code page " << oem;
  if (const char* expected = std::getenv("DBT_EXPECT_OEMCP")) {
    ASSERT_EQ(oem, static_cast<UINT>(std::atoi(expected)));
  }
  const std::string folder = dir_.Path().string() + "\\" + run->ansi;
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  const std::string windowTable = folder + "\\journal.dbf";
  const std::string cliTable = folder + "\\kopie.dbf";
  const auto journal = Journal({{"20240105", "C:\\Fax\\0001.PDF", "OK", ' '},
                                {"20240106", "C:\\Fax\\0002.pdf", "Besetzt", ' '}});
  journal.WriteTo(windowTable);
  journal.WriteTo(cliTable);

  // The window: choose the table, change every path to the table's own folder, close.
  const HWND window = StartProgram();
  ASSERT_NE(window, nullptr);
  ASSERT_NO_FATAL_FAILURE(ChooseTable(window, windowTable));
  ASSERT_TRUE(Click(window, kChangeAllPathsButton));
  // Read back through the same code pages, the folder shows as it was given.
  EXPECT_EQ(Text(window, kStoredPathBox), folder + "\\0001.PDF");
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(program_.ExitCode(kResultTimeout).has_value()) << "the program did not end";

  // The command-line tool: the same change on the copy.
  ASSERT_EQ(RunCli("relocate \"" + cliTable + "\" --to \"" + folder + "\""), 0);

  const std::string oemFolder = dir_.Path().string() + "\\" + run->stored;
  std::vector<std::uint8_t> expected =
      Journal({{"20240105", oemFolder + "\\0001.PDF", "OK", ' '},
               {"20240106", oemFolder + "\\0002.pdf", "Besetzt", ' '}})
          .Bytes();
  const std::vector<std::uint8_t> byWindow = ReadFileBytes(windowTable);
  std::vector<std::uint8_t> byCli = ReadFileBytes(cliTable);
  ASSERT_EQ(byWindow.size(), expected.size());
  ASSERT_EQ(byCli.size(), expected.size());
  // The header's date of last update is the day of the run; the rest must match byte for byte.
  std::copy(byWindow.begin() + 1, byWindow.begin() + 4, expected.begin() + 1);
  std::copy(byWindow.begin() + 1, byWindow.begin() + 4, byCli.begin() + 1);
  EXPECT_EQ(AsText(byWindow), AsText(expected));
  EXPECT_EQ(AsText(byCli), AsText(byWindow));
}

}  // namespace
}  // namespace dbt::test
