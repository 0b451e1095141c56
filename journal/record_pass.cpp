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

}  // namespace

std::uint64_t RewriteSlotBytes(TableEngine& engine, TableHandle table) {
  const RecordLayout layout = LayoutOf(engine, table);
  const std::uint64_t perBlock = static_cast<std::uint64_t>(layout.SlotsPerStep());
  return FrameOverhead(static_cast<std::size_t>(perBlock) + 1) + perBlock * layout.recordLength +
         kHeaderSize;
}

bool RewriteRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                    const RecordRewrite& rewrite, const Progress& progress, TableFile& file,
                    RecoveryLog& log) {
  const RecordLayout layout = LayoutOf(engine, table);
  if (layout.count <= 0 || layout.recordLength == 0) return true;
  const std::uint64_t tableSize = file.Size();
  const std::int32_t perBlock = layout.SlotsPerStep();
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * recordLength);
  std::vector<std::uint8_t> before(block.size());
  for (std::int32_t first = 0; first < layout.count;) {
    const std::int32_t slots = std::min(perBlock, layout.count - first);
    const std::span<std::uint8_t> bytes(block.data(),
                                        static_cast<std::size_t>(slots) * recordLength);
    if (engine.ReadAt(table, layout.SlotOffset(first), bytes) != bytes.size()) return false;
    std::memcpy(before.data(), bytes.data(), bytes.size());
    RecoveryFrame frame = RecoveryFrame::InPlace(tableSize);
    for (std::int32_t k = 0; k < slots; ++k) {
      const std::size_t at = static_cast<std::size_t>(k) * recordLength;
      const auto record = bytes.subspan(at, recordLength);
      if (!engine.DecodeRecord(table, record, buffer)) return false;
      if (!rewrite(first + k + 1)) continue;
      engine.EncodeRecord(table, buffer, record);
      AddChange(frame, layout.SlotOffset(first) + at, &before[at], record.data(), recordLength);
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
