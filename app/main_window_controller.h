#pragma once
// The main window's rules: its state, the command of each control, and the numbered actions.
// Portable: it sees the window only through MainWindowView and the dialogs through Dialogs.

#include "app/main_window_state.h"
#include "app/main_window_view.h"
#include "dbf/engine.h"
#include "dialogs/dialogs.h"
#include "journal/duplicates.h"
#include "journal/path_change.h"
#include "settings/settings.h"

namespace dbt {

// The path field of a record as the path boxes show it: a text box ends a text at its first
// NUL, and trailing NUL and blank characters are not shown.
[[nodiscard]] std::string ShownPath(const RecordBuffer& buffer, int pathField);

class MainWindowController {
 public:
  MainWindowController(MainWindowView& view, Dialogs& dialogs, Settings& settings,
                       TableEngine& engine);

  void OnCreate();                                // the window's creation message
  void OnNcActivate(bool becomingActive);         // focus keeping
  void OnCommand(int control, int notification);  // a control's command
  void OnAction(int actionCode);                  // ActionMessage

  MainWindowState& State() { return state_; }
  RecordBuffer& Buffer() { return buffer_; }

 private:
  // Commands of the controls.
  void ChooseTable();
  void PreviousRecord();
  void NextRecord();
  void ChooseTargetFolder();
  void ChangeCurrentPath();
  void ChangeAllPathsCommand();
  void SetRenameOption();
  void AppendOtherTable();
  void DeleteDuplicatesCommand();
  void RemoveDuplicateRecords();
  void Quit();

  // The numbered actions.
  void ShowCurrentRecord();
  void SaveCurrentRecord();
  void RefreshRecordCount();
  void ChangeAllPathsAction();
  void NormalizeRecordsAction();
  void InitState();
  void LoadTable();
  void DisplayRecord();
  void PrepareFieldLabels();

  [[nodiscard]] bool TableFileExists();
  [[nodiscard]] bool HasRecords() const { return state_.Loaded && state_.RecordCount > 0; }
  [[nodiscard]] PathRule CurrentPathRule() const;
  [[nodiscard]] std::int64_t OpenRead();
  [[nodiscard]] bool ProposalIsForCurrentRecord(const std::string& newPath);
  [[nodiscard]] bool StillTheLoadedJournal();
  [[nodiscard]] bool IsLoadedLayout() const;
  [[nodiscard]] TableHandle FreshTableHandle() { return ++lastTableHandle_; }

  MainWindowView& view_;
  Dialogs& dialogs_;
  Settings& settings_;
  TableEngine& engine_;
  MainWindowState state_;
  RecordBuffer buffer_;
  // From the normalising action to the marking of the same command: no second read of every
  // record to hash it.
  RecordHashes normalizedHashes_;
  // From the append to the normalising action of the same command: the appended records, which
  // the append wrote normalised already.
  NormalizedTail appendedTail_;
  TableHandle lastTableHandle_ = kSourceTableHandle;
};

}  // namespace dbt
