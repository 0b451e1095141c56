#include <algorithm>
#include <cstring>
#include <span>
#include <unordered_map>
#include <vector>

#include "journal/compactor.h"
#include "journal/duplicate_groups.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/record_blocks.h"
#include "util/prefetch.h"

namespace dbt {
namespace {

using namespace journal_detail;

// The one pass of the removal: each record of a hash group is compared with the records of its
// group kept before it, and the compaction leaves it out when it equals one. No mark is written:
// the compaction's log lists the records it leaves out.
class Removal {
 public:
  Removal(TableEngine& engine, TableHandle table, const RecordLayout& layout, HashGroups groups,
          Compactor& compactor)
      : engine_(engine),
        table_(table),
        layout_(layout),
        size_(static_cast<std::size_t>(layout.recordLength) - 1),
        groups_(std::move(groups)),
        kept_(size_, KeptRecordBytes()),
        scratch_(size_),
        compactor_(compactor) {}

  bool Run(const Progress& progress, std::string& failure) {
    RecordBlocks blocks(engine_, table_, layout_);
    while (blocks.Advance()) {
      if (compactor_.InPlace(blocks.First()) && NoneInAGroup(blocks)) {
        compactor_.KeepInPlace(blocks.Slots());  // nothing before them left out, none compared
      } else if (!Visit(blocks, failure)) {
        return false;
      }
      if (progress) progress(blocks.End(), layout_.count);
    }
    if (compactor_.Flush()) return true;
    failure = "moving a record failed";
    return false;
  }

 private:
  bool NoneInAGroup(const RecordBlocks& blocks) const {
    return !groups_.AnyIn(blocks.First(), blocks.End());
  }

  bool Visit(RecordBlocks& blocks, std::string& failure) {
    if (!blocks.Read()) {
      failure = "the records could not be read";
      return false;
    }
    std::int32_t nextMember = groups_.MembersBefore(blocks.First());
    for (std::int32_t k = 0; k < blocks.Slots(); ++k) {
      const std::int32_t origin = blocks.First() + k;
      const std::uint8_t* record = blocks.Record(k).data();
      bool duplicate = false;
      if (groups_.IsMember(origin)) {
        const std::int32_t member = nextMember++;
        FetchAhead(member);
        if (!Compare(origin, groups_.GroupOfMember(member), record + 1, duplicate)) {
          failure = "the records could not be read";
          return false;
        }
      }
      const bool moved = duplicate ? compactor_.Leave(origin) : compactor_.Keep(origin, record);
      if (!moved) {
        failure = "moving a record failed";
        return false;
      }
    }
    return true;
  }

  // The groups and their first records lie anywhere in memory, and each comparison would wait
  // for them in turn: they are asked for a few members ahead, the group before its record.
  void FetchAhead(std::int32_t member) const {
    constexpr std::int32_t kAhead = 8;
    if (member + 2 * kAhead < groups_.Members()) {
      PrefetchForReading(&groups_[groups_.GroupOfMember(member + 2 * kAhead)]);
    }
    if (member + kAhead >= groups_.Members()) return;
    const HashGroup& group = groups_[groups_.GroupOfMember(member + kAhead)];
    if (group.kept != kNoGroup) PrefetchBytes(kept_.At(group.kept), size_);
  }

  // Whether the record of slot origin, a member of group, equals a record of the group kept
  // before it. The first member is kept; where it is, and any later member that differs from
  // it, is noted before the compactor takes it.
  bool Compare(std::int32_t origin, std::int32_t index, const std::uint8_t* bytes,
               bool& duplicate) {
    HashGroup& group = groups_[index];
    // Members come in ascending slots: the first one met is the first of its group.
    if (group.firstFinal == kNotMet) {
      group.kept = kept_.Keep(bytes);
      group.firstFinal = compactor_.Kept();
      return true;
    }
    // Records of the flag alone are all equal, and there are no bytes of theirs to look up.
    if (size_ == 0) {
      duplicate = true;
      return true;
    }
    const bool inStore = group.kept != kNoGroup;
    const std::uint8_t* first = inStore ? kept_.At(group.kept) : BytesAt(group.firstFinal);
    if (first == nullptr) return false;
    duplicate = std::memcmp(first, bytes, size_) == 0;
    // A group whose first record found the store full takes a place freed since, with the bytes
    // of this member that equals it, so that its later members are compared without a read.
    const bool last = groups_.IsLast(origin);
    if (duplicate && !inStore && !last) group.kept = kept_.Keep(bytes);
    if (!duplicate && !CompareOthers(index, bytes, duplicate)) return false;
    if (last) {
      kept_.Release(group.kept);
      group.kept = kNoGroup;
      others_.erase(index);
    }
    return true;
  }

  // Equal hashes of different records (rare): the members kept besides the first, by reads.
  bool CompareOthers(std::int32_t index, const std::uint8_t* bytes, bool& duplicate) {
    std::vector<std::int32_t>& others = others_[index];
    for (const std::int32_t finalSlot : others) {
      const std::uint8_t* other = BytesAt(finalSlot);
      if (other == nullptr) return false;
      if (std::memcmp(other, bytes, size_) == 0) {
        duplicate = true;
        return true;
      }
    }
    others.push_back(compactor_.Kept());
    return true;
  }

  // The bytes after the flag of the kept record with this final slot: still waiting in the
  // compactor, or read from the slot that holds it now.
  const std::uint8_t* BytesAt(std::int32_t finalSlot) {
    if (const std::uint8_t* pending = compactor_.Pending(finalSlot)) return pending + 1;
    if (engine_.ReadAt(table_, layout_.SlotOffset(finalSlot) + 1, scratch_) != scratch_.size()) {
      return nullptr;
    }
    return scratch_.data();
  }

  TableEngine& engine_;
  TableHandle table_;
  RecordLayout layout_;
  std::size_t size_;  // the bytes after the flag
  HashGroups groups_;
  std::unordered_map<std::int32_t, std::vector<std::int32_t>> others_;
  KeptRecords kept_;
  std::vector<std::uint8_t> scratch_;
  Compactor& compactor_;
};

}  // namespace

RemovalResult RemoveDuplicates(TableEngine& engine, const std::string& tablePath, TableHandle table,
                               const Progress& progress, RecordHashes* given) {
  RemovalResult result;
  // Taken whatever happens next, so that no later removal can meet hashes of an older table.
  std::vector<HashedSlot> hashes;
  if (given != nullptr) hashes.swap(*given);
  ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  const RecordLayout layout = LayoutOf(engine, table);
  result.remaining = layout.count;
  if (layout.count < 2 || layout.recordLength == 0) return result;

  if (hashes.size() != static_cast<std::size_t>(layout.count)) hashes.clear();
  if (hashes.empty() && !HashRecords(engine, table, layout, hashes, progress)) {
    SetIoFailure(result, tablePath, "the records could not be read; none removed");
    return result;
  }
  DropUniqueHashes(hashes);
  SortHashes(hashes);
  HashGroups groups = HashGroups::From(hashes, layout.count);
  if (groups.Empty()) return result;

  TableFile& file = scoped.File();
  RecoveryLog log(engine.Files(), tablePath, Compactor::SlotBytes(layout));
  Compactor compactor(engine, table, layout, file, log);
  Removal removal(engine, table, layout, std::move(groups), compactor);
  std::string failure;
  if (!removal.Run(progress, failure)) {
    SetIoFailure(result, tablePath, log, failure);
    return result;
  }
  const std::int32_t kept = compactor.Kept();
  if (kept == layout.count) return result;  // equal hashes only: nothing moved, nothing written
  if (!WriteCompactedEnd(engine, table, layout, kept, file, log) || !log.Finish()) {
    SetIoFailure(result, tablePath, log, "the end of the records could not be written");
    return result;
  }
  result.removed = layout.count - kept;
  result.remaining = kept;
  return result;
}

}  // namespace dbt
