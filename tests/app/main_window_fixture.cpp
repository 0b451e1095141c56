#include "tests/app/main_window_fixture.h"

#include <filesystem>

namespace dbt::test {

FakeWindow::FakeWindow() {
  for (int box : {kRecordCountBox, kCurrentRecordBox, kRecordTotalBox}) texts[box] = "0";
  texts[kStoredPathFieldLabel] = "DATEI";
  texts[kNewPathFieldLabel] = "DATEI";
  enabled[kAppendButton] = false;
  enabled[kDeleteDuplicatesButton] = false;
}

int ScriptedDialogs::FileDialog(std::string_view mode, std::string& file,
                                const std::string& initialFolder, std::string_view filter,
                                std::int32_t&, std::string_view, std::uint32_t&) {
  fileCalls.push_back({std::string(mode), file, initialFolder, std::string(filter)});
  std::optional<std::string> answer;
  if (!files.empty()) {
    answer = files.front();
    files.pop_front();
  }
  file = answer.value_or("");
  return answer ? 1 : 0;
}

std::string ScriptedDialogs::BrowseFolder() {
  ++folderCalls;
  if (folders.empty()) return {};
  std::string folder = folders.front();
  folders.pop_front();
  return folder;
}

MainWindowTest::MainWindowTest()
    : host(dir.File("dbtool.exe")),
      settings(host),
      engine(PlatformFileSystem(), FixedToday),
      controller(window, dialogs, settings, engine),
      iniPath(dir.File("dbtool.ini")) {
  window.controller = &controller;
}

void MainWindowTest::Start() {
  controller.OnCreate();
  window.RunPosted();
}

void MainWindowTest::ChooseFile(int control, const std::string& file) {
  dialogs.files.push_back(file);
  Click(control);
}

void MainWindowTest::PickFolder(const std::string& folder) {
  dialogs.folders.push_back(folder);
  Click(kChooseFolderButton);
}

bool MainWindowTest::SettingsFileExists() const {
  return std::filesystem::exists(iniPath);
}

std::string MainWindowTest::SettingsFileText() const {
  return SettingsFileExists() ? ReadFileText(iniPath) : std::string();
}

}  // namespace dbt::test
