#include "journal/record_pass.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <vector>

#include "journal/open_table.h"
#include "journal/record_blocks.h"

namespace dbt::journal_detail {
namespace {

// Where two byte ranges of one length first differ (length when nowhere), eight bytes a step.
std::size_t FirstDifference(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
  std::size_t at = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; at + 8 <= length; at += 8) {
      std::uint64_t x = 0;
      std::uint64_t y = 0;
      std::memcpy(&x, a + at, 8);
      std::memcpy(&y, b + at, 8);
      if (x != y) return at + static_cast<std::size_t>(std::countr_zero(x ^ y) / 8);
    }
  }
  while (at < length && a[at] == b[at]) ++at;
  return at;
}

// One past the last byte where they differ, given that they differ at or after `from`.
std::size_t EndOfDifference(const std::uint8_t* a, const std::uint8_t* b, std::size_t from,
                            std::size_t length) {
  std::size_t end = length;
  if constexpr (std::endian::native == std::endian::little) {
    for (; end >= from + 8; end -= 8) {
      std::uint64_t x = 0;
      std::uint64_t y = 0;
      std::memcpy(&x, a + end - 8, 8);
      std::memcpy(&y, b + end - 8, 8);
      if (x != y) return end - static_cast<std::size_t>(std::countl_zero(x ^ y) / 8);
    }
  }
  while (a[end - 1] == b[end - 1]) --end;
  return end;
}

// The changed bytes of a range, from the first to the last byte that differs.
void AddChange(RecoveryFrame& frame, std::uint64_t offset, const std::uint8_t* before,
               const std::uint8_t* after, std::size_t length) {
  const std::size_t first = FirstDifference(before, after, length);
  if (first == length) return;
  const std::size_t end = EndOfDifference(before, after, first, length);
  frame.Add(offset + first, std::span(after + first, end - first),
            std::span(before + first, end - first));
}

// The flag and the bytes a rewrite may change of one record, as read.
class RecordBefore {
 public:
  RecordBefore(ChangedBytes changes, std::size_t recordLength)
      : offset_(std::min(changes.offset, recordLength)),
        length_(std::min(changes.length, recordLength - offset_)),
        bytes_(length_) {}

  void Keep(std::span<const std::uint8_t> record) {
    flag_ = record[0];
    if (length_ > 0) std::memcpy(bytes_.data(), record.data() + offset_, length_);
  }
  void AddChanges(RecoveryFrame& frame, std::uint64_t at, std::span<const std::uint8_t> record) {
    if (record[0] != flag_) frame.Add(at, record.first(1), std::span(&flag_, 1));
    if (length_ > 0)
      AddChange(frame, at + offset_, bytes_.data(), record.data() + offset_, length_);
  }

 private:
  std::size_t offset_;
  std::size_t length_;
  std::vector<std::uint8_t> bytes_;
  std::uint8_t flag_ = 0;
};

// The step's bytes from its first changed byte to its last: a step in which few records
// change writes little, and the bytes between are those the table holds already.
bool WriteChangedStretch(TableEngine& engine, TableHandle table, std::uint64_t stepOffset,
                         std::span<const std::uint8_t> step, const RecoveryFrame& frame) {
  std::uint64_t begin = frame.pieces.front().offset;
  std::uint64_t end = begin;
  for (const RecoveryFrame::Piece& piece : frame.pieces) {
    begin = std::min(begin, piece.offset);
    end = std::max(end, piece.offset + piece.size);
  }
  return engine.WriteAt(table, begin,
                        step.subspan(static_cast<std::size_t>(begin - stepOffset),
                                     static_cast<std::size_t>(end - begin)));
}

enum class Outcome { Unchanged, Changed, Failed };
using RecordStep = std::function<Outcome(std::int32_t record, std::span<std::uint8_t> bytes)>;

// The one loop of every in-place rewrite: a step of blocks read, its records rewritten, the
// step logged and its changed stretch written back.
bool RewriteBlocks(TableEngine& engine, TableHandle table, const RecordStep& step,
                   ChangedBytes changes, const Progress& progress, TableFile& file,
                   RecoveryLog& log, std::int32_t records = INT32_MAX) {
  RecordLayout layout = LayoutOf(engine, table);
  layout.count = std::min(layout.count, records);
  RecordBlocks steps(engine, table, layout, 0, layout.SlotsPerStep());
  // One record's bytes as read: compared while still in the cache, not a copy of the block.
  RecordBefore before(changes, static_cast<std::size_t>(layout.recordLength));
  RecoveryFrame frame;
  while (steps.Advance()) {
    if (!steps.Read()) return false;
    frame.Clear();
    for (std::int32_t k = 0; k < steps.Slots(); ++k) {
      const auto record = steps.Record(k);
      before.Keep(record);
      const Outcome outcome = step(steps.First() + k + 1, record);
      if (outcome == Outcome::Failed) return false;
      if (outcome == Outcome::Unchanged) continue;
      before.AddChanges(frame, layout.SlotOffset(steps.First() + k), record);
    }
    if (!frame.pieces.empty()) {
      if (!log.Log(frame)) return false;
      if (!WriteChangedStretch(engine, table, layout.SlotOffset(steps.First()), steps.Bytes(),
                               frame) ||
          !file.Sync()) {
        return false;
      }
    }
    if (progress) progress(steps.End(), layout.count);
  }
  return true;
}

}  // namespace

std::uint64_t RewriteSlotBytes(TableEngine& engine, TableHandle table) {
  const RecordLayout layout = LayoutOf(engine, table);
  // No step holds more records than the table.
  const std::uint64_t perStep =
      static_cast<std::uint64_t>(std::min(layout.SlotsPerStep(), std::max(layout.count, 1)));
  // Each record may log two pieces, its flag and the changed stretch of its bytes, each with the
  // bytes it writes over.
  return FrameOverhead(static_cast<std::size_t>(2 * perStep) + 1) +
         2 * (perStep * layout.recordLength + kHeaderSize);
}

bool RewriteRecordBytes(TableEngine& engine, TableHandle table, const RecordBytesRewrite& rewrite,
                        ChangedBytes changes, const Progress& progress, TableFile& file,
                        RecoveryLog& log, std::int32_t records) {
  const auto step = [&](std::int32_t record, std::span<std::uint8_t> bytes) {
    return rewrite(record, bytes) ? Outcome::Changed : Outcome::Unchanged;
  };
  return RewriteBlocks(engine, table, step, changes, progress, file, log, records);
}

bool RewriteRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                    const RecordRewrite& rewrite, const Progress& progress, TableFile& file,
                    RecoveryLog& log) {
  const auto step = [&](std::int32_t record, std::span<std::uint8_t> bytes) {
    if (!engine.DecodeRecord(table, bytes, buffer)) return Outcome::Failed;
    if (!rewrite(record)) return Outcome::Unchanged;
    (void)engine.EncodeRecord(table, buffer, bytes);  // the decode above checked the size
    return Outcome::Changed;
  };
  return RewriteBlocks(engine, table, step, ChangedBytes{}, progress, file, log);
}

bool WriteHeaderLast(TableEngine& engine, TableHandle table, TableFile& file, RecoveryLog& log) {
  const auto header = engine.BuildHeaderBytes(table);
  std::array<std::uint8_t, kHeaderSize> stored{};
  const bool read = file.ReadAt(0, stored) == stored.size();
  // Bytes 1 to 3 are the date of the last change; any mix of two dates is still a date.
  const bool onlyDate = read && std::equal(header.begin() + 4, header.end(), stored.begin() + 4) &&
                        header[0] == stored[0];
  if (!onlyDate) {
    RecoveryFrame frame;
    frame.Add(0, header, stored);
    if (!log.Log(frame)) return false;
  }
  return engine.WriteAt(table, 0, header) && file.Sync();
}

void RewriteRecordsThenHeader(TableEngine& engine, TableHandle table, const std::string& tablePath,
                              RecordBuffer& buffer, const RecordRewrite& rewrite,
                              const Progress& progress, TableFile& file,
                              const std::int32_t& changed, JournalResult& result) {
  RecoveryLog log(engine.Files(), tablePath, RewriteSlotBytes(engine, table));
  if (!RewriteRecords(engine, table, buffer, rewrite, progress, file, log)) {
    SetIoFailure(result, tablePath, log, "the records could not be read or written");
    return;
  }
  if (changed == 0) return;
  if (!WriteHeaderLast(engine, table, file, log) || !log.Finish()) {
    SetIoFailure(result, tablePath, log, "the header could not be written");
  }
}

}  // namespace dbt::journal_detail
