#pragma once
// The recovery file beside a table: while a change rewrites records in place, it holds the
// step being written, so that a write torn by a crash or a power cut is finished on the next
// open instead of leaving a record that mixes two others.
//
// The file is the table's path followed by kRecoverySuffix. It starts with a 32-byte head
// (magic, version, slot size, checksum) and holds two slots; each step goes into the slot the
// step before does not use, after that step is on the disk, so that a torn step leaves the
// previous one whole. The valid frame with the highest sequence number is the one to finish.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dbf/table_file.h"
#include "journal/recovery_frame.h"

namespace dbt::journal_detail {

inline constexpr const char* kRecoverySuffix = ".dbasetool-recovery";

std::string RecoveryPath(const std::string& tablePath);

class RecoveryLog {
 public:
  // slotBytes: the largest frame the change will log. table: the open table the change writes;
  // each frame notes bytes 4 to 11 of its header as the change found them (RecoveryFrame), so
  // that no frame is replayed onto the table once another program changed them.
  RecoveryLog(FileSystem& files, const std::string& tablePath, std::uint64_t slotBytes,
              TableFile* table = nullptr);
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

 private:
  bool Create();

  FileSystem& files_;
  std::string path_;
  std::uint64_t slotBytes_;
  std::unique_ptr<TableFile> file_;
  std::uint64_t sequence_ = 0;
  bool createFailed_ = false;
  TableFile* table_;
  std::optional<std::array<std::uint8_t, 8>> headerIdentity_;
};

struct RecoveryOutcome {
  bool ok = true;         // the table may be worked on
  bool finished = false;  // an interrupted step was written into the table
  std::string problem;    // when not ok: what was found, for people
};

// What every open of a table for writing does first: finish the step that the recovery file
// holds (a torn one never reached the table and is dropped), then remove the file. A frame that
// does not fit the table's length (the table was changed by someone else since) is not
// replayed: the table stays as it is and the file stays for a person to look at.
[[nodiscard]] RecoveryOutcome FinishInterruptedWrite(FileSystem& files,
                                                     const std::string& tablePath,
                                                     TableFile& table);

}  // namespace dbt::journal_detail
