#pragma once
// Deleting records that equal an earlier record of the same table, in place.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"
#include "journal/journal_result.h"
#include "journal/record_hash.h"

namespace dbt {

// The hash of every record's bytes after the flag, as the normalising pass left them: handed on
// to the removal that follows it, so that the removal need not hash every record again.
using RecordHashes = std::vector<journal_detail::HashedSlot>;

// The last records of a table, written already as the normalising pass leaves records, and their
// hashes in ascending slots: an append that normalised its copies hands them to the pass, which
// then reads and writes only the records before them.
struct NormalizedTail {
  std::int32_t first = -1;  // the slot of the first of them; -1: there are none
  RecordHashes hashes;
  void Clear() {
    first = -1;
    hashes.clear();
  }
};

struct NormalizeResult : JournalResult {
  std::int32_t records = 0;
};
// Every record rewritten once in canonical form: fields decoded and encoded, trailing NUL, LF,
// CR and blanks cut from ERROR, every record live. With hashes, they are filled on the way
// (left empty when the pass did not run through). A tail that reaches exactly to the last record
// is left as it is and its hashes follow the others; any other tail is ignored. Either way the
// tail is emptied, so that no later pass can take it for records it does not describe.
[[nodiscard]] NormalizeResult NormalizeRecords(TableEngine& engine, const std::string& tablePath,
                                               TableHandle table, RecordBuffer& buffer,
                                               const Progress& progress = {},
                                               RecordHashes* hashes = nullptr,
                                               NormalizedTail* tail = nullptr);

struct RemovalResult : JournalResult {
  std::int32_t removed = 0;
  std::int32_t remaining = 0;
};
// Every record whose bytes after the flag equal those of a lower-numbered one is removed, the
// others keep their order; then 0x1A, the cut and the header's count and date, when anything
// went. One pass, and no mark is written. Hashes from the normalising pass just before are used
// (and emptied) when there is one per record; equal hashes are only candidates, the bytes decide.
[[nodiscard]] RemovalResult RemoveDuplicates(TableEngine& engine, const std::string& tablePath,
                                             TableHandle table, const Progress& progress = {},
                                             RecordHashes* hashes = nullptr);

struct DedupeResult : JournalResult {
  std::int32_t before = 0;
  std::int32_t removed = 0;
  std::int32_t after = 0;
};
// NormalizeRecords (with the tail an append just left, if any), then RemoveDuplicates with the
// hashes it leaves.
[[nodiscard]] DedupeResult DeleteDuplicates(TableEngine& engine, const std::string& tablePath,
                                            TableHandle table, RecordBuffer& buffer,
                                            const Progress& progress = {},
                                            NormalizedTail* tail = nullptr);

}  // namespace dbt
