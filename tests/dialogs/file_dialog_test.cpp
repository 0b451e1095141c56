#include "dialogs/file_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace dbt {
namespace {

using namespace std::string_literals;

// Records the request it was given and answers as scripted, writing the chosen text into the
// buffer the way the system dialog does (over its start, with a NUL after it).
class ScriptedSystemDialogs final : public SystemFileDialogs {
 public:
  int OpenFileDialog(FileDialogRequest& request) override { return Answer(request, "open"); }
  int SaveFileDialog(FileDialogRequest& request) override { return Answer(request, "save"); }
  std::string CurrentDirectory() override { return "C:\\Arbeit"; }

  std::optional<std::string> choice;  // nothing: the user cancels
  std::int32_t selectedFilter = 1;
  std::uint32_t reportedFlagsAdded = 0;

  std::string kind;
  std::size_t calls = 0;
  FileDialogRequest seen;

 private:
  int Answer(FileDialogRequest& request, const char* dialogKind) {
    ++calls;
    kind = dialogKind;
    seen = request;
    if (!choice) return 0;
    const std::string written = *choice + '\0';
    request.buffer.replace(0, written.size(), written);
    request.filterIndex = selectedFilter;
    request.flags |= reportedFlagsAdded;
    return 1;
  }
};

struct Call {
  std::string file;
  std::int32_t filterIndex = 0;
  std::uint32_t flags = 0;
  int result = -1;
};

Call ShowFileDialog(ScriptedSystemDialogs& system, std::string_view mode, std::string startFile,
                    std::string initialFolder = "",
                    std::string_view filter = "Dbase 3 Plus (*.dbf)|*.dbf|",
                    std::string_view defaultExtension = "") {
  Call call;
  call.file = std::move(startFile);
  void* const owner = &system;
  call.result = FileDialog(system, owner, mode, call.file, initialFolder, filter, call.filterIndex,
                           defaultExtension, call.flags);
  return call;
}

TEST(FileDialog, TheWindowsOpenCallAsksTheSystemForOneRequestInItsForm) {
  ScriptedSystemDialogs system;
  system.choice = "C:\\Fax\\journal.dbf";
  const Call call = ShowFileDialog(system, "\xD6", "C:\\Alt\\alt.dbf");

  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.file, "C:\\Fax\\journal.dbf");
  ASSERT_EQ(system.calls, 1u);
  EXPECT_EQ(system.kind, "open");
  EXPECT_EQ(system.seen.owner, &system);
  EXPECT_EQ(system.seen.title,
            " Datei \xD6"
            "ffnen ");
  EXPECT_EQ(system.seen.filterList, "Dbase 3 Plus (*.dbf)\0*.dbf\0All Files (*.*)\0*.*\0\0\0"s);
  EXPECT_EQ(system.seen.filterIndex, 1);
  EXPECT_EQ(system.seen.flags, 0xA81825u);
  EXPECT_EQ(system.seen.initialFolder, "C:\\Arbeit");
  EXPECT_EQ(system.seen.defaultExtension, "");
  ASSERT_EQ(system.seen.buffer.size(), 8192u);
  EXPECT_EQ(system.seen.buffer.substr(0, 16), "C:\\Alt\\alt.dbf\0 "s);
}

TEST(FileDialog, ChosenPathShorterThanTheStartFileLosesTheStartsRest) {
  ScriptedSystemDialogs system;
  system.choice = "C:\\a.dbf";
  const Call call = ShowFileDialog(system, "O", "C:\\Ein\\sehr\\langer\\Pfad\\journal.dbf");
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.file, "C:\\a.dbf");
}

TEST(FileDialog, CancelGivesEmptyFileAndZeroWhateverTheStart) {
  for (const char* mode : {"\xD6", "S"}) {
    for (const std::string& start :
         {"C:\\Fax\\journal.dbf"s, ""s, "x\0y"s, std::string(9000, 'p')}) {
      ScriptedSystemDialogs system;
      const Call call = ShowFileDialog(system, mode, start);
      EXPECT_EQ(call.result, 0) << mode;
      EXPECT_EQ(call.file, "") << mode;
    }
  }
}

TEST(FileDialog, SaveLetterShowsTheSaveDialogWithOverwritePromptAndShortBuffer) {
  ScriptedSystemDialogs system;
  system.choice = "C:\\neu.dbf";
  const Call call = ShowFileDialog(system, "s", "neu.dbf");
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.file, "C:\\neu.dbf");
  EXPECT_EQ(system.kind, "save");
  EXPECT_EQ(system.seen.title, " Datei Speichern ");
  EXPECT_EQ(system.seen.flags, 0xA81827u);
  EXPECT_EQ(system.seen.buffer.size(), 261u);
}

TEST(FileDialog, TitleTextPicksTheKindByItsWording) {
  ScriptedSystemDialogs system;
  ShowFileDialog(system, "Tabelle speichern unter", "");
  EXPECT_EQ(system.kind, "save");
  EXPECT_EQ(system.seen.title, "Tabelle speichern unter");

  ShowFileDialog(system, "", "");
  EXPECT_EQ(system.kind, "open");
  EXPECT_EQ(system.seen.title, "");

  // A lower-case umlaut is not the open letter: its text is the title, opening all the same.
  ShowFileDialog(system, "\xF6", "");
  EXPECT_EQ(system.kind, "open");
  EXPECT_EQ(system.seen.title, "\xF6");
}

TEST(FileDialog, PassesCallersFolderExtensionAndFilterThrough) {
  ScriptedSystemDialogs system;
  ShowFileDialog(system, "O", "", "D:\\Journale", "Alle|*.*|", "dbf");
  EXPECT_EQ(system.seen.initialFolder, "D:\\Journale");
  EXPECT_EQ(system.seen.defaultExtension, "dbf");
  EXPECT_EQ(system.seen.filterList, "Alle\0*.*\0\0"s);
}

TEST(FileDialog, ReturnsTheFilterAndFlagsTheDialogLeft) {
  ScriptedSystemDialogs system;
  system.choice = "C:\\a.txt";
  system.selectedFilter = 2;
  system.reportedFlagsAdded = 0x4000;  // OFN_EXTENSIONDIFFERENT, as the system reports it
  const Call call = ShowFileDialog(system, "O", "");
  EXPECT_EQ(call.filterIndex, 2);
  EXPECT_EQ(call.flags, 0xA81825u | 0x4000u);
}

TEST(FileDialog, KeepsOnlyTheFirstPartOfAMultipleChoice) {
  ScriptedSystemDialogs system;
  system.choice = "C:\\Fax\0a.dbf\0b.dbf\0"s;
  const Call call = ShowFileDialog(system, "O", "");
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.file, "C:\\Fax");
}

TEST(OpenFileDialog, HandsBackTheBufferUpToItsLastNul) {
  ScriptedSystemDialogs system;
  system.choice = "C:\\Fax\0a.dbf\0b.dbf\0"s;
  std::string file;
  std::int32_t filterIndex = 0;
  std::uint32_t flags = 0;
  const int result =
      OpenFileDialog(system, nullptr, "T", file, "", "A|*.*|", filterIndex, "", flags);
  EXPECT_EQ(result, 1);
  // A multiple choice ends in two NULs, as the system writes it: only the last one is cut.
  EXPECT_EQ(file, "C:\\Fax\0a.dbf\0b.dbf\0"s);
  EXPECT_EQ(filterIndex, 1);
}

}  // namespace
}  // namespace dbt
