#pragma once
// The recovery file beside a table: while a change rewrites records in place, it holds the
// step being written, so that a write torn by a crash or a power cut is finished on the next
// open instead of leaving a record that mixes two others.
//
// The file is named from the table's canonical path followed by kRecoverySuffix, so that every
// spelling of the table's path finds it. It starts with a 32-byte head (magic, version, slot
// size, checksum) and holds two slots, whose room is set aside when it is made (a full disk
// stops the change before its first step); each step goes into the slot the step before does
// not use, after that step is on the disk, so that a torn step leaves the previous one whole.
// The valid frame with the highest sequence number is the one to finish.

#include <cstdint>
#include <memory>
#include <string>

#include "dbf/table_file.h"
#include "journal/recovery_frame.h"

namespace dbt::journal_detail {

inline constexpr const char* kRecoverySuffix = ".dbasetool-recovery";

// canonicalTable + kRecoverySuffix.
std::string RecoveryPath(const std::string& canonicalTable);
// The recovery file of the table at any spelling of its path.
std::string RecoveryPathOf(FileSystem& files, const std::string& tablePath);

class RecoveryLog {
 public:
  // slotBytes: the largest frame the change will log.
  RecoveryLog(FileSystem& files, const std::string& tablePath, std::uint64_t slotBytes);
  RecoveryLog(const RecoveryLog&) = delete;
  RecoveryLog& operator=(const RecoveryLog&) = delete;

  // The frame on the disk (the file made at the first one): from here on the next open of the
  // table finishes it. Sets the frame's sequence number.
  [[nodiscard]] bool Log(RecoveryFrame& frame);
  // Log, then the frame written into the table and the table synced.
  [[nodiscard]] bool Commit(RecoveryFrame& frame, TableFile& table);
  // The table holds every step: the file goes. A change that fails leaves it for the next open.
  [[nodiscard]] bool Finish();
  // The file could not be made at the first step (a read or a write that failed after it was
  // made is no such case), so the change wrote nothing to the table.
  bool CouldNotCreate() const { return createFailed_; }
  // No room for the file at the first step: nothing written to the table, no file left.
  bool DiskFull() const { return diskFull_; }
  const std::string& Path() const { return path_; }

 private:
  bool Create();

  FileSystem& files_;
  std::string path_;
  std::uint64_t slotBytes_;
  std::unique_ptr<TableFile> file_;
  std::uint64_t sequence_ = 0;
  bool createFailed_ = false;
  bool diskFull_ = false;
};

// What a recovery file holds for the table, as a replay would find it.
enum class PendingStep {
  None,       // no file, or one that holds no whole step
  Untouched,  // a step the table shows nothing of: dropped, the table left as it is
  Replay,     // a step the table shows half or wholly written: finished
  Foreign,    // a step whose bytes the table does not show: another table, or changed since
  Unreadable,
};
struct [[nodiscard]] PendingCheck {
  PendingStep step = PendingStep::None;
  std::string found;  // Foreign: what the table holds instead
};
PendingCheck InspectRecovery(FileSystem& files, const std::string& recoveryPath, TableFile& table);

struct RecoveryOutcome {
  bool ok = true;         // the table may be worked on
  bool finished = false;  // an interrupted step was written into the table
  std::string problem;    // when not ok: what was found and what a person may do
};

// What every open of a table for writing does first: a step the table shows half or wholly
// written is finished; a step it shows nothing of (never written, or a copy from before put
// back) is dropped; then the file goes. A step whose bytes the table shows neither way is not
// replayed: the table stays as it is and the file stays for a person to decide.
[[nodiscard]] RecoveryOutcome FinishInterruptedWrite(FileSystem& files,
                                                     const std::string& recoveryPath,
                                                     TableFile& table);

}  // namespace dbt::journal_detail
