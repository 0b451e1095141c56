#pragma once
// The second half of the duplicate search: records whose hashes are equal are compared on their
// bytes in one more pass over the table in block reads, and the duplicates get their marks
// block by block, instead of one read per candidate and one write per mark.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"
#include "journal/open_table.h"

namespace dbt::journal_detail {

// 16 bytes per record: the whole per-record memory of the search before the confirmation.
struct HashedSlot {
  std::uint64_t hash;
  std::int32_t slot;  // 0-based
  bool operator<(const HashedSlot& other) const {
    return hash != other.hash ? hash < other.hash : slot < other.slot;
  }
};

// Sorts by hash, then slot, as std::sort does, without its comparisons: the records are first
// distributed by the top bits of their hash, in place, and each small bucket is sorted alone.
void SortHashes(std::vector<HashedSlot>& hashes);

// The confirmation keeps the first record of each group of equal hashes in memory up to this
// many bytes, so that the later ones are compared without a read of their own. The one-pass
// removal holds a compaction step besides them: with both, it stays within the memory the
// marking alone used to take.
inline constexpr std::size_t kKeptRecordBytes = std::size_t{24} << 20;

struct ConfirmResult {
  bool ok = true;
  std::int32_t marked = 0;  // marks written, also when a later read or write failed
  std::string failure;      // what failed, when !ok
};

// `hashes` sorted, one for every record that shares its hash (others may be there too); it is
// emptied at the start to make room. Every record whose bytes after the flag equal those of a
// lower-numbered record gets ":" as its flag. Only flags change, so a run cut between two writes
// leaves every record whole. keptBytes: the memory for the first records of the groups (tests
// lower it to force the reads).
[[nodiscard]] ConfirmResult MarkConfirmedDuplicates(TableEngine& engine, TableHandle table,
                                                    const RecordLayout& layout,
                                                    std::vector<HashedSlot>& hashes,
                                                    std::size_t keptBytes = kKeptRecordBytes);

}  // namespace dbt::journal_detail
