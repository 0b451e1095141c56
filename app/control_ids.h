#pragma once
// The main window's controls by number, and its action codes: the identities by which every
// part of the program names them.

namespace dbt {

enum ControlId : int {
  kBlankLabel = 1001,
  kProgramPathLabel = 1002,
  kProgramPathBox = 1003,
  kTableLabel = 1004,
  kTableNameBox = 1005,
  kChooseTableButton = 1006,
  kRecordCountLabel = 1007,
  kRecordCountBox = 1008,
  kRecordLabel = 1009,
  kCurrentRecordBox = 1010,
  kOfLabel = 1011,
  kRecordTotalBox = 1012,
  kPreviousButton = 1013,
  kNextButton = 1014,
  kStoredPathHeading = 1015,
  kStoredPathBox = 1016,
  kStoredPathFieldLabel = 1017,
  kNewPathHeading = 1018,
  kNewPathBox = 1019,
  kNewPathFieldLabel = 1020,
  kChooseFolderButton = 1021,
  kChangeCaption = 1022,
  kChangePathButton = 1023,
  kChangeAllPathsButton = 1024,
  kRenameCheckBox = 1025,
  kAppendButton = 1031,
  kDeleteDuplicatesButton = 1032,
  kQuitButton = 1035,
};

// ActionMessage (WM_USER + 1830); lParam carries one of these.
inline constexpr unsigned kActionMessage = 0x0400 + 1830;

enum ActionCode : int {
  kShowCurrentRecord = 100,
  kSaveCurrentRecord = 101,
  kRefreshRecordCount = 110,
  kChangeAllPaths = 201,
  kNormalizeRecords = 206,
  kInitState = 500,
  kLoadTable = 1000,
  kDisplayRecord = 1010,
  kPrepareFieldLabels = 11000,
};

}  // namespace dbt
