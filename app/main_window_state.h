#pragma once
// The main window's working state for the whole run: the chosen table, where the display
// stands, and the path change's inputs.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"

namespace dbt {

// The handle of the table to append; the chosen table's handles are all above it.
inline constexpr TableHandle kSourceTableHandle = 1;

struct MainWindowState {
  std::string TablePath;
  std::string SourcePath;
  TableHandle Table = 0;  // 0: no table loaded since start
  std::vector<std::uint8_t> HeaderBytes;
  std::int64_t FileSize = 0;
  TableHandle SourceTable = kSourceTableHandle;
  bool Loaded = false;
  std::int32_t CurrentRecord = 0;
  std::int32_t RecordCount = 0;
  int PathField = 0;
  std::string TargetFolder;
  std::string NewExtension = "sff";
  std::int32_t RenameToSff = 0;  // 1 on, any other value off
  int SavedFocus = 0;            // control number; 0 none
};

}  // namespace dbt
