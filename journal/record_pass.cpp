#include "journal/record_pass.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "journal/open_table.h"

namespace dbt::journal_detail {
namespace {

// The changed bytes of one record, from the first to the last byte that differs.
void AddChange(RecoveryFrame& frame, std::uint64_t offset, const std::uint8_t* before,
               const std::uint8_t* after, std::size_t length) {
  std::size_t first = 0;
  while (first < length && before[first] == after[first]) ++first;
  if (first == length) return;
  std::size_t last = length;
  while (before[last - 1] == after[last - 1]) --last;
  frame.Add(offset + first, std::span(after + first, last - first));
}

enum class Outcome { Unchanged, Changed, Failed };
using RecordStep = std::function<Outcome(std::int32_t record, std::span<std::uint8_t> bytes)>;

// The one block loop of every in-place rewrite.
bool RewriteBlocks(TableEngine& engine, TableHandle table, const RecordStep& step,
                   const Progress& progress, TableFile& file, RecoveryLog& log) {
  const RecordLayout layout = LayoutOf(engine, table);
  if (layout.count <= 0 || layout.recordLength == 0) return true;
  const std::uint64_t tableSize = file.Size();
  const std::int32_t perBlock = layout.SlotsPerStep();
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * recordLength);
  // One record's bytes as read: compared while still in the cache, not a copy of the block.
  std::vector<std::uint8_t> before(recordLength);
  for (std::int32_t first = 0; first < layout.count;) {
    const std::int32_t slots = std::min(perBlock, layout.count - first);
    const std::span<std::uint8_t> bytes(block.data(),
                                        static_cast<std::size_t>(slots) * recordLength);
    if (engine.ReadAt(table, layout.SlotOffset(first), bytes) != bytes.size()) return false;
    RecoveryFrame frame = RecoveryFrame::InPlace(tableSize);
    for (std::int32_t k = 0; k < slots; ++k) {
      const std::size_t at = static_cast<std::size_t>(k) * recordLength;
      const auto record = bytes.subspan(at, recordLength);
      std::memcpy(before.data(), record.data(), recordLength);
      const Outcome outcome = step(first + k + 1, record);
      if (outcome == Outcome::Failed) return false;
      if (outcome == Outcome::Unchanged) continue;
      AddChange(frame, layout.SlotOffset(first) + at, before.data(), record.data(), recordLength);
    }
    if (!frame.pieces.empty()) {
      if (!log.Log(frame)) return false;
      if (!engine.WriteAt(table, layout.SlotOffset(first), bytes) || !file.Sync()) return false;
    }
    first += slots;
    if (progress) progress(first, layout.count);
  }
  return true;
}

}  // namespace

std::uint64_t RewriteSlotBytes(TableEngine& engine, TableHandle table) {
  const RecordLayout layout = LayoutOf(engine, table);
  const std::uint64_t perBlock = static_cast<std::uint64_t>(layout.SlotsPerStep());
  return FrameOverhead(static_cast<std::size_t>(perBlock) + 1) + perBlock * layout.recordLength +
         kHeaderSize;
}

bool RewriteRecordBytes(TableEngine& engine, TableHandle table, const RecordBytesRewrite& rewrite,
                        const Progress& progress, TableFile& file, RecoveryLog& log) {
  const auto step = [&](std::int32_t record, std::span<std::uint8_t> bytes) {
    return rewrite(record, bytes) ? Outcome::Changed : Outcome::Unchanged;
  };
  return RewriteBlocks(engine, table, step, progress, file, log);
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
  return RewriteBlocks(engine, table, step, progress, file, log);
}

bool WriteHeaderLast(TableEngine& engine, TableHandle table, TableFile& file, RecoveryLog& log) {
  const auto header = engine.BuildHeaderBytes(table);
  std::array<std::uint8_t, kHeaderSize> stored{};
  const bool read = file.ReadAt(0, stored) == stored.size();
  // Bytes 1 to 3 are the date of the last change; any mix of two dates is still a date.
  const bool onlyDate = read && std::equal(header.begin() + 4, header.end(), stored.begin() + 4) &&
                        header[0] == stored[0];
  if (!onlyDate) {
    RecoveryFrame frame = RecoveryFrame::InPlace(file.Size());
    frame.Add(0, header);
    if (!log.Log(frame)) return false;
  }
  return engine.WriteAt(table, 0, header) && file.Sync();
}

}  // namespace dbt::journal_detail
