// The numbered actions that the main window requests of itself: they accept a table, count,
// show and save its records. Each one that opens the table closes it before it returns.

#include "app/control_ids.h"
#include "app/main_window_controller.h"
#include "journal/duplicates.h"
#include "journal/journal_layout.h"
#include "journal/path_change.h"
#include "journal/table_session.h"
#include "settings/settings.h"
#include "util/text.h"

namespace dbt {

namespace {

// Below this the file holds no more than a header: no journal.
constexpr std::int64_t kSmallestTableFile = 33;
constexpr int kReadSetting = 0;

}  // namespace

void MainWindowController::ShowCurrentRecord() {
  // A file that the engine refused at loading stays unread: nothing new is shown.
  if (!state_.Loaded || !TableFileExists()) return;
  if (OpenRead() > 0) DisplayRecord();
  engine_.CloseTable(state_.Table);
}

void MainWindowController::SaveCurrentRecord() {
  if (!state_.Loaded || !TableFileExists()) return;
  // Finishes what an interrupted change left before the record is written.
  TableSession held;
  if (!held.Begin(engine_.Files(), state_.TablePath).ok()) return;
  if (engine_.OpenTableUpdate(state_.TablePath, state_.Table, state_.HeaderBytes, state_.FileSize) >
      0) {
    engine_.StoreRecord(state_.Table, state_.CurrentRecord, buffer_);
    const auto header = engine_.BuildHeaderBytes(state_.Table);
    (void)engine_.WriteAt(state_.Table, 0, header);
  }
  engine_.CloseTable(state_.Table);
}

void MainWindowController::RefreshRecordCount() {
  std::int32_t count = 0;
  if (TableFileExists()) {
    if (OpenRead() > 0) count = engine_.StoredRecordCount(state_.Table);
    engine_.CloseTable(state_.Table);
  }
  state_.RecordCount = count > 0 ? count : 0;
  if (count <= 0) state_.CurrentRecord = 0;
}

void MainWindowController::ChangeAllPathsAction() {
  if (!state_.Loaded) return;
  (void)ChangeAllPaths(engine_, state_.TablePath, state_.Table, CurrentPathRule(), buffer_,
                       state_.PathField);
}

void MainWindowController::NormalizeRecordsAction() {
  if (!state_.Loaded) return;
  (void)NormalizeRecords(engine_, state_.TablePath, state_.Table, buffer_, {}, &normalizedHashes_,
                         &appendedTail_);
}

void MainWindowController::InitState() {
  state_.CurrentRecord = 0;
  state_.Loaded = false;
  state_.PathField = 0;
  state_.NewExtension = "sff";
  settings_.PdfToSffSetting(state_.RenameToSff, kReadSetting);
  view_.SetCheck(kRenameCheckBox, state_.RenameToSff);
}

void MainWindowController::LoadTable() {
  state_.Loaded = true;
  state_.Table = FreshTableHandle();
  view_.SendAction(kRefreshRecordCount);

  const auto reject = [this] {
    state_.Loaded = false;
    state_.RecordCount = 0;
    state_.CurrentRecord = 0;
  };
  // Missing or not dBase at all: the path is kept, so that the next choice starts there.
  if (!TableFileExists() || state_.FileSize < kSmallestTableFile) {
    reject();
    return;
  }

  buffer_.ClearValues();
  if (OpenRead() <= 0) {  // gone or changed since it was counted
    reject();
    engine_.CloseTable(state_.Table);
    return;
  }
  const std::int32_t count = engine_.StoredRecordCount(state_.Table);
  const JournalLayoutCheck layout = CheckJournalLayout(engine_, state_.Table);
  state_.PathField = layout.pathField;
  if (layout.journal) {
    view_.SendAction(kPrepareFieldLabels);
    if (count > 0) {
      state_.CurrentRecord = 1;
      state_.RecordCount = count;
      view_.SendAction(kDisplayRecord);
      view_.SetText(kCurrentRecordBox, std::to_string(state_.CurrentRecord));
    } else {
      state_.RecordCount = 0;
      state_.CurrentRecord = 0;
    }
  } else {
    // A dBase table, but no journal: forget it, so that no command touches it.
    state_.TablePath.clear();
    reject();
  }
  engine_.CloseTable(state_.Table);
}

void MainWindowController::DisplayRecord() {
  if (state_.Table == 0 || !engine_.IsOpen(state_.Table)) return;
  // An empty table has no record to read; the buffer keeps the values cleared at loading.
  if (engine_.StoredRecordCount(state_.Table) > 0)
    engine_.LoadRecord(state_.Table, state_.CurrentRecord, buffer_);

  view_.SetText(kStoredPathBox, ShownPath(buffer_, state_.PathField));

  if (state_.RecordCount > 0) {
    // The same rule as the change itself, so that what is proposed is what gets stored.
    view_.SetText(kNewPathBox, BuildNewPath(view_.GetText(kStoredPathBox), CurrentPathRule()));
  }

  view_.SetText(kRecordCountBox, std::to_string(state_.RecordCount));
  view_.SetText(kCurrentRecordBox, std::to_string(state_.CurrentRecord));
  view_.SetText(kRecordTotalBox, std::to_string(state_.RecordCount));
}

void MainWindowController::PrepareFieldLabels() {
  if (state_.Table == 0 || !engine_.IsOpen(state_.Table)) return;
  view_.SetText(kStoredPathFieldLabel, "");
  view_.SetText(kNewPathFieldLabel, "");
  if (engine_.FieldCount(state_.Table) <= 0 || state_.PathField <= 0) return;

  const DbfField field = engine_.FieldDescriptor(state_.Table, state_.PathField);
  const std::string label = " " + TrimTrailingNulBlank(field.RawName()) + " ";
  view_.SetText(kStoredPathFieldLabel, label);
  view_.SetText(kNewPathFieldLabel, label);
  view_.SetTextLimit(kStoredPathBox, field.Length());
  view_.SetTextLimit(kNewPathBox, field.Length());
}

}  // namespace dbt
