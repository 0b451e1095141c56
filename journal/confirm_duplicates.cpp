#include "journal/confirm_duplicates.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "dbf/format.h"
#include "journal/duplicate_groups.h"
#include "journal/record_blocks.h"

namespace dbt::journal_detail {
namespace {

constexpr std::int32_t kNone = kNoGroup;
using Group = HashGroup;

class Confirmer {
 public:
  Confirmer(TableEngine& engine, TableHandle table, const RecordLayout& layout,
            std::size_t keptBytes)
      : engine_(engine),
        table_(table),
        layout_(layout),
        size_(static_cast<std::size_t>(layout.recordLength) - 1),
        kept_(size_, keptBytes),
        scratch_(size_) {}

  // Each record with an equal hash learns its group; records alone in theirs are never read.
  void AssignGroups(std::vector<HashedSlot>& hashes) {
    HashGroups found = HashGroups::From(hashes, layout_.count);
    groups_ = std::move(found.groups);
    groupOf_ = std::move(found.groupOf);
  }

  bool Pass(ConfirmResult& result) {
    const std::size_t recordLength = static_cast<std::size_t>(layout_.recordLength);
    RecordBlocks blocks(engine_, table_, layout_);
    while (blocks.Advance()) {
      const auto groups = std::span(groupOf_).subspan(static_cast<std::size_t>(blocks.First()),
                                                      static_cast<std::size_t>(blocks.Slots()));
      if (std::all_of(groups.begin(), groups.end(), [](std::int32_t g) { return g == kNone; })) {
        continue;
      }
      if (!blocks.Read()) {
        result.failure = "the records could not be read";
        return false;
      }
      std::int32_t firstMark = kNone;
      std::int32_t lastMark = kNone;
      std::int32_t marks = 0;
      for (std::int32_t k = 0; k < blocks.Slots(); ++k) {
        std::uint8_t* record = blocks.Record(k).data();
        const std::int32_t group = groups[static_cast<std::size_t>(k)];
        if (group == kNone) continue;
        bool duplicate = false;
        if (!Visit(blocks.First() + k, group, record + 1, duplicate, result)) return false;
        if (!duplicate) continue;
        record[0] = kDuplicateMark;
        ++marks;
        if (firstMark == kNone) firstMark = k;
        lastMark = k;
      }
      if (firstMark == kNone) continue;
      // Only the stretch from the first to the last mark of the block: flags and the bytes
      // between them as read, which nothing else writes while the table is open here.
      const std::size_t from = static_cast<std::size_t>(firstMark) * recordLength;
      const std::size_t to = static_cast<std::size_t>(lastMark) * recordLength + 1;
      if (!engine_.WriteAt(table_, layout_.SlotOffset(blocks.First() + firstMark),
                           blocks.Bytes().subspan(from, to - from))) {
        result.failure = "writing a duplicate mark failed";
        return false;
      }
      result.marked += marks;
    }
    return true;
  }

  // Groups with more than one content (equal hashes of different records, which is rare):
  // every member that equals none of the earlier different ones is kept, by the old reads.
  bool SettleMixedGroups(ConfirmResult& result) {
    std::vector<std::vector<std::int32_t>> members;
    std::vector<std::int32_t> mixedIndex(groups_.size(), kNone);
    for (std::size_t g = 0; g < groups_.size(); ++g) {
      if (!groups_[g].mixed) continue;
      mixedIndex[g] = static_cast<std::int32_t>(members.size());
      members.emplace_back();
    }
    if (members.empty()) return true;
    for (std::size_t slot = 0; slot < groupOf_.size(); ++slot) {
      const std::int32_t group = groupOf_[slot];
      if (group == kNone || mixedIndex[static_cast<std::size_t>(group)] == kNone) continue;
      members[static_cast<std::size_t>(mixedIndex[static_cast<std::size_t>(group)])].push_back(
          static_cast<std::int32_t>(slot));
    }
    std::vector<std::uint8_t> reference(size_);
    std::vector<std::vector<std::uint8_t>> others;
    const std::uint8_t mark[1] = {kDuplicateMark};
    for (const std::vector<std::int32_t>& group : members) {
      if (!ReadAfterFlag(group.front(), reference)) {
        result.failure = failure_;
        return false;
      }
      others.clear();
      for (std::size_t m = 1; m < group.size(); ++m) {
        if (!ReadAfterFlag(group[m], scratch_)) {
          result.failure = failure_;
          return false;
        }
        if (scratch_ == reference) continue;  // marked in the pass
        if (std::find(others.begin(), others.end(), scratch_) == others.end()) {
          others.push_back(scratch_);
          continue;
        }
        if (!engine_.WriteAt(table_, layout_.SlotOffset(group[m]), mark)) {
          result.failure = "writing a duplicate mark failed";
          return false;
        }
        ++result.marked;
      }
    }
    return true;
  }

 private:
  // A record of a group, met in ascending order: the first is kept, a later one compared.
  bool Visit(std::int32_t slot, std::int32_t index, const std::uint8_t* bytes, bool& duplicate,
             ConfirmResult& result) {
    Group& group = groups_[static_cast<std::size_t>(index)];
    if (slot == group.first) {
      group.kept = kept_.Keep(bytes);
      return true;
    }
    const std::uint8_t* reference = nullptr;
    if (group.kept != kNone) {
      reference = kept_.At(group.kept);
    } else {
      if (!ReadAfterFlag(group.first, scratch_)) {
        result.failure = failure_;
        return false;
      }
      reference = scratch_.data();
    }
    // Records of the flag alone are all equal; memcmp wants real pointers even for no bytes.
    duplicate = size_ == 0 || std::memcmp(reference, bytes, size_) == 0;
    if (!duplicate) group.mixed = true;
    if (slot == group.last) kept_.Release(group.kept);
    return true;
  }

  bool ReadAfterFlag(std::int32_t slot, std::vector<std::uint8_t>& out) {
    if (engine_.ReadAt(table_, layout_.SlotOffset(slot) + 1, out) == out.size()) return true;
    failure_ = "the records could not be read";
    return false;
  }

  TableEngine& engine_;
  TableHandle table_;
  const RecordLayout& layout_;
  std::size_t size_;  // the bytes after the flag
  KeptRecords kept_;
  std::vector<std::uint8_t> scratch_;
  std::vector<Group> groups_;
  std::vector<std::int32_t> groupOf_;  // per slot: its group, or kNone
  std::string failure_;
};

}  // namespace

void SortHashes(std::vector<HashedSlot>& hashes) {
  // Few enough buckets that their write positions stay in the cache; the hashes are uniform,
  // so each holds about the same share.
  int bits = 1;
  while (bits < 11 && (std::size_t{64} << bits) < hashes.size()) ++bits;
  const int shift = 64 - bits;
  const std::size_t buckets = std::size_t{1} << bits;
  std::vector<std::size_t> next(buckets + 1, 0);
  for (const HashedSlot& item : hashes) ++next[(item.hash >> shift) + 1];
  for (std::size_t b = 1; b <= buckets; ++b) next[b] += next[b - 1];
  std::vector<std::size_t> end(next.begin() + 1, next.end());
  for (std::size_t b = 0; b < buckets; ++b) {
    while (next[b] < end[b]) {
      HashedSlot item = hashes[next[b]];
      std::size_t home = item.hash >> shift;
      while (home != b) {
        std::swap(item, hashes[next[home]++]);
        home = item.hash >> shift;
      }
      hashes[next[b]++] = item;
    }
  }
  std::size_t begin = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    std::sort(hashes.begin() + static_cast<std::ptrdiff_t>(begin),
              hashes.begin() + static_cast<std::ptrdiff_t>(end[b]));
    begin = end[b];
  }
}

ConfirmResult MarkConfirmedDuplicates(TableEngine& engine, TableHandle table,
                                      const RecordLayout& layout, std::vector<HashedSlot>& hashes,
                                      std::size_t keptBytes) {
  ConfirmResult result;
  if (layout.recordLength == 0) return result;
  Confirmer confirmer(engine, table, layout, keptBytes);
  confirmer.AssignGroups(hashes);
  result.ok = confirmer.Pass(result) && confirmer.SettleMixedGroups(result);
  return result;
}

}  // namespace dbt::journal_detail
