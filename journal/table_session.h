#pragma once
// One exclusive open of a table for a whole command: opened for writing once, with what an
// interrupted change left finished first, and lent to every step that opens the same path, so
// that no other program can take the table between two steps.

#include <memory>
#include <string>

#include "dbf/table_file.h"
#include "journal/journal_result.h"

namespace dbt {

class TableSession {
 public:
  TableSession() = default;
  TableSession(const TableSession&) = delete;
  TableSession& operator=(const TableSession&) = delete;

  // Holds path open until this object ends. When path is held already (by the command around
  // this step), only finishes an interrupted change, should one have been left since.
  JournalResult Begin(FileSystem& files, const std::string& path);
  // The held file: for the barriers and the recovery file of a change.
  TableFile* File() const { return file_; }

 private:
  std::unique_ptr<FileLease> lease_;
  TableFile* file_ = nullptr;
};

// For a read that must not see a step half written: when a recovery file lies beside path, the
// change it holds is finished as the next open for writing would finish it (the table is opened
// for writing only then). Ok when there was nothing to finish.
[[nodiscard]] JournalResult FinishCutChange(FileSystem& files, const std::string& path);

}  // namespace dbt
