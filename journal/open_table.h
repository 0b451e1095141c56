#pragma once
// What every operation of this folder does around its work: open the table under the caller's
// handle for exactly the length of the operation, locate the record slots from the stored
// header, and say in the result which file failed and why.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"
#include "journal/journal_result.h"
#include "journal/recovery_log.h"
#include "journal/table_session.h"

namespace dbt::journal_detail {

// Large enough that a pass over all records costs few system calls, small enough to stay
// within the memory budget whatever the record length.
inline constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

// Sets the block size of the passes over all records, kBlockBytes until then: tests lower it to
// cut a small table's pass between two blocks.
void SetBlockBytes(std::size_t bytes);

// A logged step of an in-place rewrite or a compaction spans this many blocks: each step costs
// two barriers (the recovery file's and the table's), so larger steps cost fewer on a disk.
inline constexpr int kBlocksPerStep = 8;
int BlocksPerStep();
void SetBlocksPerStep(int blocks);  // for tests that cut a small table between two steps

// Opens on demand and closes on every way out of the operation. An open for writing goes through
// a TableSession: it finishes an interrupted change first, and borrows the command's open when
// there is one.
class ScopedTable {
 public:
  ScopedTable(TableEngine& engine, TableHandle handle) : engine_(engine), handle_(handle) {}
  ~ScopedTable();
  ScopedTable(const ScopedTable&) = delete;
  ScopedTable& operator=(const ScopedTable&) = delete;

  TableOpenResult Open(const std::string& path, OpenAccess access);
  // The directory lookup, then the open; on either failure the result says which and why.
  bool OpenExisting(const std::string& path, OpenAccess access, JournalResult& result);
  const std::vector<std::uint8_t>& HeaderBytes() const { return headerBytes_; }
  // The file under an open for writing: for its barriers and its recovery file.
  TableFile& File() const { return *session_.File(); }

 private:
  TableEngine& engine_;
  TableHandle handle_;
  TableSession session_;
  bool open_ = false;
  std::vector<std::uint8_t> headerBytes_;
};

// Where the records of an open table lie, from its stored header; the count is the engine's,
// which never exceeds the whole slots the file holds.
struct RecordLayout {
  std::uint64_t headerLength = 0;
  std::uint64_t recordLength = 0;
  std::int32_t count = 0;

  // Slot 0 holds record 1.
  std::uint64_t SlotOffset(std::int64_t slot) const {
    return headerLength + static_cast<std::uint64_t>(slot) * recordLength;
  }
  // Whole slots that fit into one block read, at least one.
  std::int32_t SlotsPerBlock() const;
  // Whole slots of one logged step.
  std::int32_t SlotsPerStep() const { return SlotsPerBlock() * BlocksPerStep(); }
};

[[nodiscard]] RecordLayout LayoutOf(const TableEngine& engine, TableHandle handle);

// The open failed: the result carries the engine's reason and names the file.
void SetOpenFailure(JournalResult& result, const std::string& path, const TableOpenResult& open);
// The directory lookup found nothing: nothing was opened.
void SetMissing(JournalResult& result, const std::string& path);
// A read or write inside the operation failed; what was written before stays consistent.
void SetIoFailure(JournalResult& result, const std::string& path, const std::string& what);
// The same for a change logged in log: when the recovery file could not be made, that is why.
void SetIoFailure(JournalResult& result, const std::string& path, const RecoveryLog& log,
                  const std::string& what);

}  // namespace dbt::journal_detail
