// The command behind each control of the main window.

#include "app/control_ids.h"
#include "app/main_window_controller.h"
#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/path_change.h"
#include "journal/table_session.h"
#include "util/text.h"

namespace dbt {

namespace {

constexpr const char* kOpenMode = "\xD6";  // "Ö": the open-file dialog
constexpr const char* kTableFilter = "Dbase 3 Plus (*.dbf)|*.dbf|";

// Settings modes: LastFile01 read/write, LastFile02 read/write, PDFtoSFF read/write.
constexpr int kReadLastFile = 0;
constexpr int kWriteLastFile = 1;
constexpr int kReadSourceFile = 20;
constexpr int kWriteSourceFile = 21;
constexpr int kWriteSetting = 1;

// Marks a long command with the arrow-with-hourglass cursor for as long as it runs.
class BusyCursor {
 public:
  explicit BusyCursor(MainWindowView& view) : view_(view) { view_.SetBusyCursor(true); }
  ~BusyCursor() { view_.SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  MainWindowView& view_;
};

// Keeps the loaded table open, exclusively, from the first step of a command to its last, so that
// the fax application cannot take it in between; the steps and actions borrow this open. A table
// that cannot be held is left to the steps, which then fail silently as before.
class HeldTable {
 public:
  HeldTable(TableEngine& engine, const std::string& path) {
    if (engine.Files().Exists(path)) (void)session_.Begin(engine.Files(), path);
  }

 private:
  TableSession session_;
};

// The open-file dialog for a table: true with the choice in file.
[[nodiscard]] bool ChooseTableFile(Dialogs& dialogs, std::string& file) {
  std::int32_t filterIndex = 0;
  std::uint32_t flags = 0;
  return dialogs.FileDialog(kOpenMode, file, std::string(), kTableFilter, filterIndex, "", flags) ==
         1;
}

}  // namespace

void MainWindowController::ChooseTable() {
  std::string file = state_.TablePath;
  if (TrimNulBlank(file).empty()) settings_.LastFileSetting(file, kReadLastFile);
  if (!ChooseTableFile(dialogs_, file)) return;

  state_.TablePath = file;
  view_.SetText(kTableNameBox, FileNameOf(state_.TablePath));
  state_.TargetFolder = FolderOf(state_.TablePath);
  view_.SendAction(kLoadTable);
  // A rejected file is not remembered, and the append and dedupe buttons keep their state.
  if (!state_.Loaded) return;

  settings_.LastFileSetting(state_.TablePath, kWriteLastFile);
  const bool hasRecords = state_.RecordCount > 0;
  if (hasRecords) dialogs_.BrowseStartFolder() = FolderOf(state_.TablePath);
  view_.Enable(kAppendButton, hasRecords);
  view_.Enable(kDeleteDuplicatesButton, hasRecords);
}

void MainWindowController::PreviousRecord() {
  state_.CurrentRecord = state_.CurrentRecord - 1 <= 0 ? 1 : state_.CurrentRecord - 1;
  view_.SendAction(kShowCurrentRecord);
  view_.SetText(kCurrentRecordBox, std::to_string(state_.CurrentRecord));
}

void MainWindowController::NextRecord() {
  state_.CurrentRecord =
      state_.CurrentRecord >= state_.RecordCount ? state_.RecordCount : state_.CurrentRecord + 1;
  view_.SendAction(kShowCurrentRecord);
  view_.SetText(kCurrentRecordBox, std::to_string(state_.CurrentRecord));
}

void MainWindowController::ChooseTargetFolder() {
  std::string folder = TrimNulBlank(dialogs_.BrowseFolder());
  if (folder.empty()) return;
  EnsureTrailingBackslash(folder);
  state_.TargetFolder = folder;
  view_.SetText(kNewPathBox, state_.TargetFolder + FileNameOf(view_.GetText(kNewPathBox)));
}

void MainWindowController::ChangeCurrentPath() {
  if (state_.RecordCount <= 0) return;
  const std::string newPath = BuildNewPath(view_.GetText(kNewPathBox), CurrentPathRule());
  HeldTable held(engine_, state_.TablePath);
  // A path longer than the field is not stored: cutting it would point at another document.
  if (ProposalIsForCurrentRecord(newPath)) {
    (void)StoreCurrentPath(engine_, state_.TablePath, state_.Table, state_.CurrentRecord,
                           state_.PathField, newPath, buffer_);
  }
  view_.SendAction(kShowCurrentRecord);
  view_.SetText(kCurrentRecordBox, std::to_string(state_.CurrentRecord));
}

void MainWindowController::ChangeAllPathsCommand() {
  BusyCursor busy(view_);
  HeldTable held(engine_, state_.TablePath);
  if (StillTheLoadedJournal()) view_.SendAction(kChangeAllPaths);
  view_.SendAction(kShowCurrentRecord);
  view_.SetText(kCurrentRecordBox, std::to_string(state_.CurrentRecord));
}

void MainWindowController::SetRenameOption() {
  state_.RenameToSff = view_.IsChecked(kRenameCheckBox) ? 1 : 0;
  settings_.PdfToSffSetting(state_.RenameToSff, kWriteSetting);
  view_.SendAction(kShowCurrentRecord);
}

void MainWindowController::AppendOtherTable() {
  std::string file = state_.SourcePath;
  if (TrimNulBlank(file).empty()) settings_.LastFileSetting(file, kReadSourceFile);
  if (!ChooseTableFile(dialogs_, file)) return;

  BusyCursor busy(view_);
  state_.SourcePath = file;
  settings_.LastFileSetting(state_.SourcePath, kWriteSourceFile);
  HeldTable held(engine_, state_.TablePath);
  if (!StillTheLoadedJournal()) {
    view_.SendAction(kLoadTable);
    return;
  }
  // Whether anything was appended does not matter: the table is tidied and shown again anyway,
  // unless the user chose the table itself, which must then stay exactly as it is. The appended
  // records come normalised, and the normalising action leaves them alone; what it does not
  // take is dropped here, so that no later action meets it.
  const AppendResult appended =
      AppendTable(engine_, state_.TablePath, state_.Table, state_.SourcePath, state_.SourceTable,
                  {}, &appendedTail_);
  if (!appended.sameTable) RemoveDuplicateRecords();
  appendedTail_.Clear();
  view_.SendAction(kLoadTable);
}

void MainWindowController::DeleteDuplicatesCommand() {
  BusyCursor busy(view_);
  HeldTable held(engine_, state_.TablePath);
  if (StillTheLoadedJournal()) RemoveDuplicateRecords();
  view_.SendAction(kLoadTable);
}

// The duplicate deletion's normalising step is a numbered action of its own; the removal that
// follows is the command-line tool's, fed with the hashes that action leaves.
void MainWindowController::RemoveDuplicateRecords() {
  view_.SendAction(kNormalizeRecords);
  (void)RemoveDuplicates(engine_, state_.TablePath, state_.Table, {}, &normalizedHashes_);
}

void MainWindowController::Quit() {
  const int focused = view_.FocusedControl();
  if (view_.AskQuit()) {
    view_.EndWindow();
    return;
  }
  if (focused != 0) view_.SetFocus(focused);
}

}  // namespace dbt
