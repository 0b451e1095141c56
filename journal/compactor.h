#pragma once
// Moving the records a deletion keeps towards the front of the table, in place and in order, so
// that a crash at any byte leaves a table the next open finishes.

#include <cstdint>
#include <vector>

#include "dbf/engine.h"
#include "journal/open_table.h"
#include "journal/recovery_log.h"

namespace dbt::journal_detail {

// Records are handed over in ascending slots, each kept or left out, and written a step at a
// time. Before a step is written, the recovery log holds what it does: when the step's slots lie
// wholly below the first record it moves, the records it moves are still in their old slots, and
// the log needs only the range to move them from again and the slots it leaves out; otherwise the
// log holds the step's bytes. Once the records left out make a gap of a quarter step, a step ends
// where it would reach its first record, so that from then on no step logs its bytes. The table is
// synced after each step, so the log never holds more than the step being written, and a step torn
// by a crash is finished on the next open.
class Compactor {
 public:
  Compactor(TableEngine& engine, TableHandle table, const RecordLayout& layout, TableFile& file,
            RecoveryLog& log);

  // The record read from slot origin stays; false when a write failed.
  [[nodiscard]] bool Keep(std::int32_t origin, const std::uint8_t* record);
  // The record of slot origin goes; false when a write failed.
  [[nodiscard]] bool Leave(std::int32_t origin);
  // The kept records not written yet.
  [[nodiscard]] bool Flush();
  // Records of the slots from origin on, none of them read, stay where they are: allowed while
  // every record before origin stayed (InPlace).
  bool InPlace(std::int32_t origin) const { return pendingCount_ == 0 && written_ == origin; }
  void KeepInPlace(std::int32_t slots) { written_ += slots; }
  // The bytes of the kept record with this final slot while it waits to be written; nullptr once
  // the table holds it there.
  const std::uint8_t* Pending(std::int32_t finalSlot) const {
    if (finalSlot < written_ || finalSlot >= written_ + pendingCount_) return nullptr;
    return moves_.data.data() + pendingBegin_ +
           static_cast<std::size_t>(finalSlot - written_) * recordLength_;
  }
  // Records kept so far; each one's final slot is the number of those before it.
  std::int32_t Kept() const { return written_ + pendingCount_; }

  // The largest frame a step logs.
  static std::uint64_t SlotBytes(const RecordLayout& layout);

 private:
  std::int32_t Span(std::int32_t origin) const { return origin - pendingFirstOrigin_ + 1; }

  TableEngine& engine_;
  TableHandle table_;
  RecordLayout layout_;
  TableFile& file_;
  RecoveryLog& log_;
  std::size_t recordLength_;
  std::int32_t capacity_;
  std::int32_t spanLimit_;      // slots from the first pending record on, kept or not
  std::int32_t stepLimit_ = 0;  // the records of the pending step
  // The step's records wait as the one piece of the frame that logs them, so that they are
  // copied once; a step that logs only where they lie logs skips_ instead.
  RecoveryFrame moves_;
  std::size_t pendingBegin_ = 0;  // where the waiting records begin in moves_.data
  RecoveryFrame skips_;
  std::vector<std::uint8_t> skipsBefore_;
  std::vector<std::uint8_t> leftOut_;  // a bit per slot from pendingFirstOrigin_ on
  std::int32_t pendingCount_ = 0;
  std::int32_t pendingFirstOrigin_ = 0;
  std::int32_t pendingLastOrigin_ = 0;
  std::int32_t written_ = 0;  // slots before this one hold their final record
};

// The last step as one logged frame: the end marker after the kept records, the header with
// their count, and the cut, so that no file ever counts records other than those it holds.
[[nodiscard]] bool WriteCompactedEnd(TableEngine& engine, TableHandle table,
                                     const RecordLayout& layout, std::int32_t kept, TableFile& file,
                                     RecoveryLog& log);

}  // namespace dbt::journal_detail
