#include "app/main_window_controller.h"

#include "app/control_ids.h"
#include "journal/journal_layout.h"
#include "journal/table_session.h"
#include "util/text.h"

namespace dbt {

namespace {

// A button acts on a click only: BN_CLICKED (0) or the accelerator's 1.
bool IsClick(int notification) {
  return notification == 0 || notification == 1;
}

}  // namespace

MainWindowController::MainWindowController(MainWindowView& view, Dialogs& dialogs,
                                           Settings& settings, TableEngine& engine)
    : view_(view), dialogs_(dialogs), settings_(settings), engine_(engine) {}

void MainWindowController::OnCreate() {
  engine_.InitTableEngine(buffer_);
  state_.PathField = 0;
  // Posted, not sent: the rename option is read once the window is shown.
  view_.PostAction(kInitState);
  view_.SetText(kProgramPathBox, settings_.ExeFolder());
}

void MainWindowController::OnNcActivate(bool becomingActive) {
  if (!becomingActive) {
    state_.SavedFocus = view_.FocusedControl();
    return;
  }
  if (state_.SavedFocus == 0) return;
  view_.SetFocus(state_.SavedFocus);
  state_.SavedFocus = 0;
}

void MainWindowController::OnCommand(int control, int notification) {
  // The check box follows every notification it sends; the buttons only a click.
  if (control == kRenameCheckBox) {
    SetRenameOption();
    return;
  }
  if (!IsClick(notification)) return;
  switch (control) {
    case kChooseTableButton:
      ChooseTable();
      break;
    case kPreviousButton:
      if (HasRecords()) PreviousRecord();
      break;
    case kNextButton:
      if (HasRecords()) NextRecord();
      break;
    case kChooseFolderButton:
      if (HasRecords()) ChooseTargetFolder();
      break;
    case kChangePathButton:
      if (state_.Loaded) ChangeCurrentPath();
      break;
    case kChangeAllPathsButton:
      if (HasRecords()) ChangeAllPathsCommand();
      break;
    case kAppendButton:
      if (state_.Loaded) AppendOtherTable();
      break;
    case kDeleteDuplicatesButton:
      if (HasRecords()) DeleteDuplicatesCommand();
      break;
    case kQuitButton:
      Quit();
      break;
    default:
      break;
  }
}

void MainWindowController::OnAction(int actionCode) {
  switch (actionCode) {
    case kShowCurrentRecord:
      ShowCurrentRecord();
      break;
    case kSaveCurrentRecord:
      SaveCurrentRecord();
      break;
    case kRefreshRecordCount:
      RefreshRecordCount();
      break;
    case kChangeAllPaths:
      ChangeAllPathsAction();
      break;
    case kNormalizeRecords:
      NormalizeRecordsAction();
      break;
    case kInitState:
      InitState();
      break;
    case kLoadTable:
      LoadTable();
      break;
    case kDisplayRecord:
      DisplayRecord();
      break;
    case kPrepareFieldLabels:
      PrepareFieldLabels();
      break;
    default:
      break;
  }
}

bool MainWindowController::TableFileExists() {
  return !state_.TablePath.empty() && engine_.Files().Exists(state_.TablePath);
}

PathRule MainWindowController::CurrentPathRule() const {
  return PathRule{state_.TargetFolder, state_.RenameToSff == 1, state_.NewExtension};
}

std::int64_t MainWindowController::OpenRead() {
  // What a crash cut short is finished before anything is read: a record shown torn, then stored
  // by a command on the shown record, would be written over the bytes the recovery file restores.
  (void)FinishCutChange(engine_.Files(), state_.TablePath);
  return engine_.OpenTableRead(state_.TablePath, state_.Table, state_.HeaderBytes, state_.FileSize);
}

std::string ShownPath(const RecordBuffer& buffer, int pathField) {
  if (pathField < 1 || pathField > kMaxFields) return {};
  const std::string_view value = buffer.FieldValues[static_cast<std::size_t>(pathField)];
  return TrimTrailingNulBlank(value.substr(0, value.find('\0')));
}

// The proposal in the new-path box was made from the record the window showed last. When the
// display could not follow a change of record (the fax application held the table) or another
// program changed the table since, the record of that number is another one, and the box's
// document name must not go into it: the record as it is now must give the same proposal.
bool MainWindowController::ProposalIsForCurrentRecord(const std::string& newPath) {
  if (OpenRead() <= 0) return false;
  bool same = false;
  if (state_.CurrentRecord >= 1 &&
      state_.CurrentRecord <= engine_.StoredRecordCount(state_.Table) && IsLoadedLayout()) {
    RecordBuffer now;
    std::int32_t record = state_.CurrentRecord;
    engine_.LoadRecord(state_.Table, record, now);
    same = BuildNewPath(ShownPath(now, state_.PathField), CurrentPathRule()) == newPath;
  }
  engine_.CloseTable(state_.Table);
  return same;
}

// The file at the table's path may have been replaced since it was loaded, by a table the
// window would not load: a command writes only to a journal, with DATEI where it was.
bool MainWindowController::StillTheLoadedJournal() {
  if (OpenRead() <= 0) return false;
  const bool same = IsLoadedLayout();
  engine_.CloseTable(state_.Table);
  return same;
}

bool MainWindowController::IsLoadedLayout() const {
  const JournalLayoutCheck layout = CheckJournalLayout(engine_, state_.Table);
  return layout.journal && layout.pathField == state_.PathField;
}

}  // namespace dbt
