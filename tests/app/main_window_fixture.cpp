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

DbfBuilder Journal(const std::vector<std::string>& paths) {
  DbfBuilder table;
  table.Field("DATUM", 'D', 8).Field("DATEI", 'C', 40).Field("ERROR", 'C', 10);
  for (const std::string& path : paths) table.Record({"20240105", path, ""});
  return table;
}

std::string RecordBytes(const std::string& file, int k) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(file);
  const std::size_t length = ReadU16(bytes, 10);
  const std::size_t start = ReadU16(bytes, 8) + (static_cast<std::size_t>(k) - 1) * length;
  if (start + length > bytes.size()) return {};
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                     bytes.begin() + static_cast<std::ptrdiff_t>(start + length));
}

std::uint32_t HeaderRecordCount(const std::string& file) {
  return ReadU32(ReadFileBytes(file), 4);
}

MainWindowTest::MainWindowTest()
    : host(dir.File("dbtool.exe")),
      settings(host),
      engine(PlatformFileSystem(), [] { return kToday; }),
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
