#include <algorithm>
#include <span>
#include <vector>

#include "dbf/format.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/record_hash.h"

namespace dbt {
namespace {

using journal_detail::RecordLayout;

// 16 bytes per record: the whole per-record memory of the search, besides the marks.
struct HashedSlot {
  std::uint64_t hash;
  std::int32_t slot;  // 0-based
  bool operator<(const HashedSlot& other) const {
    return hash != other.hash ? hash < other.hash : slot < other.slot;
  }
};

// The bytes after the deletion flag of every record, hashed in block reads.
bool HashAllRecords(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                    std::vector<HashedSlot>& hashes, const Progress& progress) {
  const std::int32_t perBlock = layout.SlotsPerBlock();
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * recordLength);
  hashes.reserve(static_cast<std::size_t>(layout.count));
  for (std::int32_t first = 0; first < layout.count;) {
    const std::int32_t slots = std::min(perBlock, layout.count - first);
    const std::size_t bytes = static_cast<std::size_t>(slots) * recordLength;
    const std::span<std::uint8_t> view(block.data(), bytes);
    if (engine.ReadAt(table, layout.SlotOffset(first), view) != bytes) return false;
    for (std::int32_t k = 0; k < slots; ++k) {
      const std::uint8_t* record = block.data() + static_cast<std::size_t>(k) * recordLength;
      hashes.push_back({journal_detail::HashBytes(record + 1, recordLength - 1), first + k});
    }
    first += slots;
    if (progress) progress(first, layout.count);
  }
  return true;
}

// Within one run of equal hashes (ascending slots), every record whose bytes equal those of an
// earlier member is a duplicate. The first member of each distinct content is kept as the
// reference that later members are compared with; a run almost always has one such content.
class RunConfirmer {
 public:
  RunConfirmer(TableEngine& engine, TableHandle table, const RecordLayout& layout)
      : engine_(engine),
        table_(table),
        layout_(layout),
        current_(static_cast<std::size_t>(layout.recordLength - 1)) {}

  bool Confirm(const HashedSlot* begin, const HashedSlot* end, std::vector<std::int32_t>& marks) {
    kept_.clear();
    for (const HashedSlot* member = begin; member != end; ++member) {
      if (!ReadAfterFlag(member->slot, current_)) return false;
      const bool duplicate = std::any_of(kept_.begin(), kept_.end(),
                                         [&](const auto& kept) { return kept == current_; });
      if (duplicate) {
        marks.push_back(member->slot);
      } else {
        kept_.push_back(current_);
      }
    }
    return true;
  }

 private:
  bool ReadAfterFlag(std::int32_t slot, std::vector<std::uint8_t>& out) {
    return engine_.ReadAt(table_, layout_.SlotOffset(slot) + 1, out) == out.size();
  }

  TableEngine& engine_;
  TableHandle table_;
  const RecordLayout& layout_;
  std::vector<std::uint8_t> current_;
  std::vector<std::vector<std::uint8_t>> kept_;
};

// Marks close together are written in one piece with the records between them, read back just
// before: the piece differs from the file in flag bytes only, so even a write torn anywhere
// leaves every record whole and each one marked or not. Lone marks are written alone.
constexpr std::uint64_t kMarkGap = 4096;

bool WriteMarks(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                const std::vector<std::int32_t>& marks) {
  const std::uint8_t mark[1] = {kDuplicateMark};
  std::vector<std::uint8_t> piece;
  for (std::size_t first = 0; first < marks.size();) {
    const std::uint64_t begin = layout.SlotOffset(marks[first]);
    std::size_t last = first;
    while (last + 1 < marks.size()) {
      const std::uint64_t next = layout.SlotOffset(marks[last + 1]);
      if (next - layout.SlotOffset(marks[last]) > kMarkGap ||
          next + 1 - begin > journal_detail::BlockBytes()) {
        break;
      }
      ++last;
    }
    if (last == first) {
      if (!engine.WriteAt(table, begin, mark)) return false;
    } else {
      piece.resize(static_cast<std::size_t>(layout.SlotOffset(marks[last]) + 1 - begin));
      if (engine.ReadAt(table, begin, piece) != piece.size()) return false;
      for (std::size_t k = first; k <= last; ++k)
        piece[static_cast<std::size_t>(layout.SlotOffset(marks[k]) - begin)] = kDuplicateMark;
      if (!engine.WriteAt(table, begin, piece)) return false;
    }
    first = last + 1;
  }
  return true;
}

}  // namespace

MarkResult MarkDuplicates(TableEngine& engine, const std::string& tablePath, TableHandle table,
                          const Progress& progress) {
  MarkResult result;
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  const RecordLayout layout = journal_detail::LayoutOf(engine, table);
  if (layout.count < 2 || layout.recordLength == 0) return result;

  std::vector<HashedSlot> hashes;
  if (!HashAllRecords(engine, table, layout, hashes, progress)) {
    journal_detail::SetIoFailure(result, tablePath, "the records could not be read; none marked");
    return result;
  }
  std::sort(hashes.begin(), hashes.end());

  std::vector<std::int32_t> marks;
  RunConfirmer confirmer(engine, table, layout);
  for (std::size_t begin = 0; begin < hashes.size();) {
    std::size_t end = begin + 1;
    while (end < hashes.size() && hashes[end].hash == hashes[begin].hash) ++end;
    if (end - begin > 1 &&
        !confirmer.Confirm(&hashes[begin], &hashes[begin] + (end - begin), marks)) {
      journal_detail::SetIoFailure(result, tablePath, "the records could not be read; none marked");
      return result;
    }
    begin = end;
  }
  hashes.clear();
  hashes.shrink_to_fit();

  // Only the flag bytes change, so a run cut between two marks leaves every record whole; the
  // next normalising pass makes them live again.
  std::sort(marks.begin(), marks.end());
  if (!WriteMarks(engine, table, layout, marks)) {
    journal_detail::SetIoFailure(result, tablePath, "writing a duplicate mark failed");
    return result;
  }
  result.marked = static_cast<std::int32_t>(marks.size());
  // The marks decide what the compaction moves, also when a crash makes a later open finish it.
  if (!marks.empty() && !scoped.File().Sync()) {
    journal_detail::SetIoFailure(result, tablePath, "the duplicate marks could not be written");
  }
  return result;
}

}  // namespace dbt
