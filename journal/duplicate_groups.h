#pragma once
// What the duplicate search knows before it compares bytes: the records whose hashes are equal,
// in groups, and a store for the first record of each group while later ones are compared.

#include <cstdint>
#include <memory>
#include <vector>

#include "dbf/engine.h"
#include "journal/open_table.h"
#include "journal/record_hash.h"

namespace dbt::journal_detail {

inline constexpr std::int32_t kNoGroup = -1;
inline constexpr std::int32_t kNotMet = -1;

// Records with one hash, in ascending slots: what the removal knows of them as it meets them.
// Eight bytes, as there may be one for every other record; which member is the last is a bit
// per slot of HashGroups.
struct HashGroup {
  std::int32_t kept = kNoGroup;       // the first record's bytes in the store, or kNoGroup
  std::int32_t firstFinal = kNotMet;  // the slot the compaction gives the first record
};

// Sorts by hash, then slot, as std::sort does, without most of its comparisons: the hashes are
// distributed by their top bits, through a second array as large as theirs. Fastest when they
// come in ascending slots, as the pass over the records gives them.
void SortHashes(std::vector<HashedSlot>& hashes);

// The first record of each group of equal hashes is kept in memory up to this many bytes, so
// that the later ones are compared without a read of their own. The removal holds a compaction
// step besides them: with both, it needs no more memory than marking and packing in two passes
// took.
inline constexpr std::size_t kKeptRecordBytes = std::size_t{24} << 20;

// Drops the hashes that occur once for certain, in any order: most records of a journal have no
// equal, and only the rest need sorting. Two bit sets of about 16 bits per record decide it; a
// hash that shares its bit with another stays, as a member of a group of one after the sort.
void DropUniqueHashes(std::vector<HashedSlot>& hashes);

// The groups of equal hashes and which records belong to them, in about four bytes per member
// and a few bits per record: at low shares of duplicates most records are in no group.
class HashGroups {
 public:
  // hashes sorted, one per record of a table of `count` records; they are emptied to make room.
  // Records alone in their hash are in no group: they are never compared or read again.
  static HashGroups From(std::vector<HashedSlot>& hashes, std::int32_t count);

  bool Empty() const { return groups_.empty(); }
  HashGroup& operator[](std::int32_t group) { return groups_[static_cast<std::size_t>(group)]; }
  const HashGroup& operator[](std::int32_t group) const {
    return groups_[static_cast<std::size_t>(group)];
  }

  // The records in groups count as members, numbered in ascending slots.
  std::int32_t Members() const { return static_cast<std::int32_t>(memberGroups_.size()); }
  bool IsMember(std::int32_t slot) const { return (WordOf(slot).members & BitOf(slot)) != 0; }
  // The members in the slots before this one: the number of the next member from there on.
  std::int32_t MembersBefore(std::int32_t slot) const {
    const Word& word = WordOf(slot);
    return word.membersBefore + CountOnes(word.members & (BitOf(slot) - 1));
  }
  std::int32_t GroupOfMember(std::int32_t member) const {
    return memberGroups_[static_cast<std::size_t>(member)];
  }
  // Whether the record in slot, a member, is the last of its group.
  bool IsLast(std::int32_t slot) const { return (WordOf(slot).lasts & BitOf(slot)) != 0; }
  // Whether any record of the slots from begin to end is in a group.
  bool AnyIn(std::int32_t begin, std::int32_t end) const;

 private:
  // std::popcount is a library call where the processor the build targets lacks the
  // instruction, as the x86 builds do: the bit trick inline is several times faster there.
  static std::int32_t CountOnes(std::uint64_t bits) {
    bits -= (bits >> 1) & 0x5555555555555555u;
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::int32_t>((bits * 0x0101010101010101u) >> 56);
  }

  // 64 slots: which are members, which end their group, and how many members come before.
  struct Word {
    std::uint64_t members = 0;
    std::uint64_t lasts = 0;
    std::int32_t membersBefore = 0;
  };

  const Word& WordOf(std::int32_t slot) const {
    return words_[static_cast<std::size_t>(slot) / 64];
  }
  Word& WordOf(std::int32_t slot) { return words_[static_cast<std::size_t>(slot) / 64]; }
  static std::uint64_t BitOf(std::int32_t slot) {
    return std::uint64_t{1} << (static_cast<std::size_t>(slot) % 64);
  }

  std::vector<HashGroup> groups_;
  std::vector<Word> words_;
  std::vector<std::int32_t> memberGroups_;  // each member's group, in ascending slots
};

// The memory of the removal's KeptRecords: kKeptRecordBytes, unless a test lowers it to force
// the reads of records it cannot keep.
std::size_t KeptRecordBytes();
void SetKeptRecordBytes(std::size_t bytes);

// Fixed-size places for the first records of the open groups, reused once a group is done.
class KeptRecords {
 public:
  // The memory is taken at once but left uninitialised: the system gives it pages only as
  // places are used, and nothing is cleared or moved as it fills.
  KeptRecords(std::size_t size, std::size_t limit);

  // A place holding a copy of bytes, or kNoGroup when the store is full.
  std::int32_t Keep(const std::uint8_t* bytes);
  void Release(std::int32_t place);
  std::uint8_t* At(std::int32_t place) const {
    return store_.get() + static_cast<std::size_t>(place) * size_;
  }

 private:
  std::size_t size_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  std::unique_ptr<std::uint8_t[]> store_;
  std::vector<std::int32_t> free_;
};

// The bytes after the deletion flag of every record, hashed in block reads; false when a read
// failed.
[[nodiscard]] bool HashRecords(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                               std::vector<HashedSlot>& hashes, const Progress& progress);

}  // namespace dbt::journal_detail
