#include <algorithm>
#include <span>
#include <vector>

#include "dbf/format.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "util/text.h"

namespace dbt {
namespace {

using journal_detail::RecordLayout;

// Moves the live records towards the front in one ascending pass. Records wait in a block and
// are written together, but a block never reaches the slot of its own first record: every slot
// a write covers then holds a marked record or one whose copy is already written, so even a
// write torn by a power cut loses nothing that a new run of the whole deletion cannot restore.
class Compactor {
 public:
  Compactor(TableEngine& engine, TableHandle table, const RecordLayout& layout)
      : engine_(engine),
        table_(table),
        layout_(layout),
        recordLength_(static_cast<std::size_t>(layout.recordLength)),
        capacity_(layout.SlotsPerBlock()) {
    pending_.reserve(static_cast<std::size_t>(capacity_) * recordLength_);
  }

  // A live record read from slot origin; false when a write failed.
  bool Keep(std::int32_t origin, const std::uint8_t* record) {
    if (pendingCount_ == 0 && origin == written_) {
      ++written_;  // already in its place
      return true;
    }
    if (pendingCount_ == 0) pendingFirstOrigin_ = origin;
    pending_.insert(pending_.end(), record, record + recordLength_);
    ++pendingCount_;
    const std::int32_t gap = pendingFirstOrigin_ - written_;
    if (pendingCount_ == capacity_ || pendingCount_ == gap) return Flush();
    return true;
  }

  bool Flush() {
    if (pendingCount_ == 0) return true;
    if (!engine_.WriteAt(table_, layout_.SlotOffset(written_), pending_)) return false;
    written_ += pendingCount_;
    pendingCount_ = 0;
    pending_.clear();
    return true;
  }

  std::int32_t Kept() const { return written_ + pendingCount_; }

 private:
  TableEngine& engine_;
  TableHandle table_;
  const RecordLayout& layout_;
  std::size_t recordLength_;
  std::int32_t capacity_;
  std::vector<std::uint8_t> pending_;
  std::int32_t pendingCount_ = 0;
  std::int32_t pendingFirstOrigin_ = 0;
  std::int32_t written_ = 0;  // slots before this one hold their final record
};

}  // namespace

PackResult PackMarked(TableEngine& engine, const std::string& tablePath, TableHandle table,
                      const Progress& progress) {
  PackResult result;
  if (TrimNulBlank(tablePath).empty() || table == 0) return result;
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  const RecordLayout layout = journal_detail::LayoutOf(engine, table);
  if (layout.recordLength == 0) {
    result.error = TableOpenError::Damaged;
    result.detail = tablePath + ": record length 0";
    return result;
  }
  const std::int32_t perBlock = layout.SlotsPerBlock();
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * recordLength);
  Compactor compactor(engine, table, layout);

  // Nothing past the old records is touched until every live record has its final slot; the
  // header, written last, still counts the old records until then.
  for (std::int32_t first = 0; first < layout.count;) {
    const std::int32_t slots = std::min(perBlock, layout.count - first);
    const std::size_t bytes = static_cast<std::size_t>(slots) * recordLength;
    if (engine.ReadAt(table, layout.SlotOffset(first), std::span(block.data(), bytes)) != bytes) {
      journal_detail::SetIoFailure(result, tablePath, "the records could not be read");
      return result;
    }
    for (std::int32_t k = 0; k < slots; ++k) {
      const std::uint8_t* record = block.data() + static_cast<std::size_t>(k) * recordLength;
      if (record[0] == kDuplicateMark) continue;
      if (!compactor.Keep(first + k, record)) {
        journal_detail::SetIoFailure(result, tablePath, "moving a record failed");
        return result;
      }
    }
    first += slots;
    if (progress) progress(first, layout.count);
  }
  if (!compactor.Flush()) {
    journal_detail::SetIoFailure(result, tablePath, "moving a record failed");
    return result;
  }
  const std::int32_t kept = compactor.Kept();
  const std::uint8_t endMarker[1] = {kEndOfFile};
  if (!engine.WriteAt(table, layout.SlotOffset(kept), endMarker) || !engine.SetFileEnd(table)) {
    journal_detail::SetIoFailure(result, tablePath, "the end of the records could not be written");
    return result;
  }
  DbfHeader header = engine.GetStoredHeader(table);
  header.SetRecordCount(static_cast<std::uint32_t>(kept));
  engine.PutStoredHeader(table, header);
  if (!journal_detail::WriteHeader(engine, table)) {
    journal_detail::SetIoFailure(result, tablePath, "the header could not be written");
    return result;
  }
  result.ran = true;
  result.removed = layout.count - kept;
  result.remaining = kept;
  return result;
}

}  // namespace dbt
