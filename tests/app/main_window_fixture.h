#pragma once
// The main window's rules driven without a window: a fake view that keeps every control's
// state, dialogs with scripted answers, settings in a temporary folder, real table files.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/main_window_controller.h"
#include "dbf/engine.h"
#include "dialogs/dialogs.h"
#include "settings/settings.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {

class FakeWindow final : public MainWindowView {
 public:
  MainWindowController* controller = nullptr;
  std::map<int, std::string> texts;
  std::map<int, bool> enabled;
  std::map<int, int> checks;
  std::map<int, int> limits;
  std::vector<bool> cursorChanges;  // true: busy
  int focus = 0;
  std::vector<int> focusCalls;
  bool quitAnswer = false;
  int quitQuestions = 0;
  bool ended = false;
  std::vector<int> sent;
  std::deque<int> posted;
  std::function<void(int)> beforeAction;  // called with each action's code before it runs

  FakeWindow();  // the controls as the window creates them

  void SetText(int control, const std::string& text) override { texts[control] = text; }
  std::string GetText(int control) override { return texts[control]; }
  void Enable(int control, bool on) override { enabled[control] = on; }
  bool IsChecked(int control) override { return checks[control] == 1; }
  void SetCheck(int control, int state) override { checks[control] = state; }
  void SetTextLimit(int control, int characters) override { limits[control] = characters; }
  void SetBusyCursor(bool busy) override { cursorChanges.push_back(busy); }
  int FocusedControl() override { return focus; }
  void SetFocus(int control) override {
    focus = control;
    focusCalls.push_back(control);
  }
  bool AskQuit() override {
    ++quitQuestions;
    return quitAnswer;
  }
  void EndWindow() override { ended = true; }
  void SendAction(int code) override {
    sent.push_back(code);
    if (beforeAction) beforeAction(code);
    controller->OnAction(code);
  }
  void PostAction(int code) override { posted.push_back(code); }

  void RunPosted() {
    while (!posted.empty()) {
      const int code = posted.front();
      posted.pop_front();
      controller->OnAction(code);
    }
  }
  // The user clicking the check box: the box changes first, then the command comes.
  void ToggleCheck(int control) {
    checks[control] = checks[control] == 1 ? 0 : 1;
    controller->OnCommand(control, 0);
  }
};

struct FileDialogCall {
  std::string mode, file, initialFolder, filter;
};

class ScriptedDialogs final : public Dialogs {
 public:
  std::deque<std::optional<std::string>> files;  // nullopt: cancelled
  std::deque<std::string> folders;               // "": cancelled
  std::vector<FileDialogCall> fileCalls;
  int folderCalls = 0;

  int FileDialog(std::string_view mode, std::string& file, const std::string& initialFolder,
                 std::string_view filter, std::int32_t&, std::string_view, std::uint32_t&) override;
  std::string BrowseFolder() override;
};

// The platform's settings services, with the executable placed in the test's folder.
class TempSettingsHost final : public SettingsHost {
 public:
  explicit TempSettingsHost(std::string exePath) : exePath_(std::move(exePath)) {}
  std::string ExePath() override { return exePath_; }
  int DriveType(const std::string&) override { return 3; }
  bool Exists(const std::string& path) override { return PlatformSettingsHost().Exists(path); }
  std::string ReadProfileString(const std::string& file, std::string_view section,
                                std::string_view key, std::string_view fallback) override {
    return PlatformSettingsHost().ReadProfileString(file, section, key, fallback);
  }
  bool WriteProfileText(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) override {
    return PlatformSettingsHost().WriteProfileText(file, section, key, value);
  }

 private:
  std::string exePath_;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest();

  // Window creation and the posted InitState, as the window runs them.
  void Start();
  // The user picks file in the open dialog behind control (1006 or 1031).
  void ChooseFile(int control, const std::string& file);
  void Click(int control) { controller.OnCommand(control, 0); }
  void PickFolder(const std::string& folder);
  bool SettingsFileExists() const;
  std::string SettingsFileText() const;

  TempDir dir;
  TempSettingsHost host;
  Settings settings;
  TableEngine engine;
  FakeWindow window;
  ScriptedDialogs dialogs;
  MainWindowController controller;
  std::string iniPath;
};

}  // namespace dbt::test
