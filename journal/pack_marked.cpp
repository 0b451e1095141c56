#include <algorithm>
#include <span>
#include <vector>

#include "dbf/format.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/recovery_log.h"
#include "util/text.h"

namespace dbt {
namespace {

using journal_detail::RecordLayout;
using journal_detail::RecoveryFrame;
using journal_detail::RecoveryLog;

// Moves the live records towards the front in one ascending pass, a block at a time. Before a
// block is written, the recovery log holds what it does: when the block's slots lie wholly below
// the first record it moves, the records it moves are still in their old slots, and the log
// needs only the range to move them from again; otherwise the log holds the block's bytes. The
// table is synced after each block, so the log never holds more than the block being written,
// and a block torn by a crash is finished on the next open.
class Compactor {
 public:
  Compactor(TableEngine& engine, TableHandle table, const RecordLayout& layout, TableFile& file,
            RecoveryLog& log)
      : engine_(engine),
        table_(table),
        layout_(layout),
        file_(file),
        log_(log),
        tableSize_(file.Size()),
        recordLength_(static_cast<std::size_t>(layout.recordLength)),
        capacity_(layout.SlotsPerStep()) {
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
    pendingLastOrigin_ = origin;
    if (pendingCount_ == capacity_) return Flush();
    return true;
  }

  bool Flush() {
    if (pendingCount_ == 0) return true;
    const std::uint64_t destination = layout_.SlotOffset(written_);
    RecoveryFrame frame = RecoveryFrame::InPlace(tableSize_);
    if (written_ + pendingCount_ <= pendingFirstOrigin_) {
      frame.kind = RecoveryFrame::Kind::Compaction;
      frame.sourceBegin = layout_.SlotOffset(pendingFirstOrigin_);
      frame.sourceEnd = layout_.SlotOffset(std::int64_t{pendingLastOrigin_} + 1);
      frame.destination = destination;
      frame.recordLength = layout_.recordLength;
    } else {
      frame.Add(destination, pending_);
    }
    if (!log_.Log(frame)) return false;
    if (!engine_.WriteAt(table_, destination, pending_) || !file_.Sync()) return false;
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
  TableFile& file_;
  RecoveryLog& log_;
  std::uint64_t tableSize_;
  std::size_t recordLength_;
  std::int32_t capacity_;
  std::vector<std::uint8_t> pending_;
  std::int32_t pendingCount_ = 0;
  std::int32_t pendingFirstOrigin_ = 0;
  std::int32_t pendingLastOrigin_ = 0;
  std::int32_t written_ = 0;  // slots before this one hold their final record
};

// The last step as one logged frame: the end marker after the kept records, the header with
// their count, and the cut, so that no file ever counts records other than those it holds.
bool WriteEnd(TableEngine& engine, TableHandle table, const RecordLayout& layout, std::int32_t kept,
              TableFile& file, RecoveryLog& log) {
  DbfHeader header = engine.GetStoredHeader(table);
  header.SetRecordCount(static_cast<std::uint32_t>(kept));
  engine.PutStoredHeader(table, header);
  const std::uint64_t end = layout.SlotOffset(kept);
  RecoveryFrame frame = RecoveryFrame::InPlace(file.Size());
  const std::uint8_t endMarker[1] = {kEndOfFile};
  frame.Add(end, endMarker);
  frame.Add(0, engine.BuildHeaderBytes(table));
  frame.cut = true;
  frame.sizeAfter = end + 1;
  return log.Commit(frame, file);
}

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
  TableFile& file = scoped.File();
  // The marks that decide what a replayed step moves must be on the disk before any move.
  if (!file.Sync()) {
    journal_detail::SetIoFailure(result, tablePath, "the marks could not be written");
    return result;
  }
  const std::uint64_t stepBytes = std::uint64_t{recordLength} * layout.SlotsPerStep();
  RecoveryLog log(engine.Files(), tablePath,
                  journal_detail::FrameOverhead(2) + stepBytes + kHeaderSize + 1);
  Compactor compactor(engine, table, layout, file, log);

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
  if (!WriteEnd(engine, table, layout, kept, file, log) || !log.Finish()) {
    journal_detail::SetIoFailure(result, tablePath, "the end of the records could not be written");
    return result;
  }
  result.ran = true;
  result.removed = layout.count - kept;
  result.remaining = kept;
  return result;
}

}  // namespace dbt
