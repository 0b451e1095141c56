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

// Records with one hash, in ascending slots.
struct HashGroup {
  std::int32_t first;  // the record that stays
  std::int32_t last;
  std::int32_t kept = kNoGroup;  // its bytes in the store, or kNoGroup: read again when needed
  std::int32_t firstFinal = 0;   // the slot the compaction gives the first record
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

struct HashGroups {
  std::vector<HashGroup> groups;
  std::vector<std::int32_t> groupOf;  // per slot: its group, or kNoGroup when alone with its hash

  // hashes sorted, one per record of a table of `count` records; they are emptied to make room.
  // Records alone in their hash are in no group: they are never compared or read again.
  static HashGroups From(std::vector<HashedSlot>& hashes, std::int32_t count);
  bool Empty() const { return groups.empty(); }
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
