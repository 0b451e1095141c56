#include "journal/compactor.h"

#include <algorithm>
#include <array>

#include "dbf/format.h"

namespace dbt::journal_detail {

// A step's left-out list takes a bit per slot of its span, which is at most eight slots per
// record it keeps: the list is never longer than the records themselves.
constexpr std::int32_t kSpanPerKept = 8;

Compactor::Compactor(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                     TableFile& file, RecoveryLog& log)
    : engine_(engine),
      table_(table),
      layout_(layout),
      file_(file),
      log_(log),
      recordLength_(static_cast<std::size_t>(layout.recordLength)),
      capacity_(layout.SlotsPerStep()),
      spanLimit_(capacity_ * kSpanPerKept),
      moves_(),
      skips_() {
  // Room for the whole step and its sealing: waiting records never move while they wait.
  moves_.data.reserve(static_cast<std::size_t>(SlotBytes(layout)));
  skips_.kind = RecoveryFrame::Kind::SkippingCompaction;
  skips_.recordLength = layout.recordLength;
}

std::uint64_t Compactor::SlotBytes(const RecordLayout& layout) {
  // No step holds more records than the table.
  const std::uint64_t stepBytes =
      layout.recordLength * std::uint64_t(std::min(layout.SlotsPerStep(), std::max(layout.count, 1)));
  // The records with the bytes they write over; the end's header and marker the same.
  return FrameOverhead(3) + 2 * (stepBytes + kHeaderSize + 1);
}


bool Compactor::Keep(std::int32_t origin, const std::uint8_t* record) {
  if (pendingCount_ == 0 && origin == written_) {
    ++written_;  // already in its place
    return true;
  }
  if (pendingCount_ > 0 && Span(origin) > spanLimit_ && !Flush()) return false;
  if (pendingCount_ == 0) {
    // A step of the gap's size or less moves records into slots it has read already; a smaller
    // gap would buy its bytes off the log with many more barriers.
    const std::int32_t gap = origin - written_;
    stepLimit_ = gap >= capacity_ / 4 ? std::min(gap, capacity_) : capacity_;
    pendingFirstOrigin_ = origin;
    leftOut_.clear();
    moves_.Clear();
    pendingBegin_ = moves_.BeginPiece(layout_.SlotOffset(written_));
  }
  moves_.Append(std::span(record, recordLength_));
  ++pendingCount_;
  pendingLastOrigin_ = origin;
  if (pendingCount_ == stepLimit_) return Flush();
  return true;
}

bool Compactor::Leave(std::int32_t origin) {
  // Before the first pending record, a left-out slot is simply not in the step's range.
  if (pendingCount_ == 0) return true;
  if (Span(origin) > spanLimit_) return Flush();
  const auto bit = static_cast<std::size_t>(origin - pendingFirstOrigin_);
  if (leftOut_.size() <= bit / 8) leftOut_.resize(bit / 8 + 1, 0);
  leftOut_[bit / 8] = static_cast<std::uint8_t>(leftOut_[bit / 8] | (1u << (bit % 8)));
  return true;
}

bool Compactor::Flush() {
  if (pendingCount_ == 0) return true;
  const std::uint64_t destination = layout_.SlotOffset(written_);
  const std::size_t bytes = static_cast<std::size_t>(pendingCount_) * recordLength_;
  // When the slots the step writes end before its first record, its records stay readable where
  // they lie until it is done: it logs only which of them it leaves out, else the records moved.
  const bool skipping = written_ + pendingCount_ <= pendingFirstOrigin_;
  if (skipping) {
    skips_.Clear();
    skips_.sourceBegin = layout_.SlotOffset(pendingFirstOrigin_);
    skips_.sourceEnd = layout_.SlotOffset(std::int64_t{pendingLastOrigin_} + 1);
    skips_.destination = destination;
    leftOut_.resize(static_cast<std::size_t>(Span(pendingLastOrigin_) + 7) / 8, 0);
    skips_.AddOnly(skips_.sourceBegin, leftOut_, RecoveryFrame::Role::List);
    // What the step writes over: the slots between the records kept so far and its source.
    std::vector<std::uint8_t>& before = skipsBefore_;
    before.resize(bytes);
    if (file_.ReadAt(destination, before) != bytes) return false;
    skips_.AddOnly(destination, before, RecoveryFrame::Role::Before);
    if (!log_.Log(skips_)) return false;
  } else {
    if (!moves_.EndPiece(destination, pendingBegin_, file_) || !log_.Log(moves_)) return false;
  }
  const std::span<const std::uint8_t> moved(moves_.data.data() + pendingBegin_, bytes);
  if (!engine_.WriteAt(table_, destination, moved) || !file_.Sync()) return false;
  written_ += pendingCount_;
  pendingCount_ = 0;
  return true;
}

bool WriteCompactedEnd(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                       std::int32_t kept, TableFile& file, RecoveryLog& log) {
  DbfHeader header = engine.GetStoredHeader(table);
  header.SetRecordCount(static_cast<std::uint32_t>(kept));
  engine.PutStoredHeader(table, header);
  const std::uint64_t end = layout.SlotOffset(kept);
  std::array<std::uint8_t, kHeaderSize> storedHeader{};
  std::uint8_t storedEnd[1] = {0};
  if (file.ReadAt(0, storedHeader) != storedHeader.size() || file.ReadAt(end, storedEnd) != 1) {
    return false;
  }
  RecoveryFrame frame;
  const std::uint8_t endMarker[1] = {kEndOfFile};
  frame.Add(end, endMarker, storedEnd);
  frame.Add(0, engine.BuildHeaderBytes(table), storedHeader);
  frame.cut = true;
  frame.sizeLow = frame.sizeHigh = file.Size();
  frame.sizeAfter = end + 1;
  return log.Commit(frame, file);
}

}  // namespace dbt::journal_detail
