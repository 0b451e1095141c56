#pragma once
// What the engine keeps for each open table: private to the engine's own files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "dbf/engine.h"
#include "dbf/format.h"
#include "dbf/record_codec.h"
#include "dbf/tracked_file.h"

namespace dbt {

struct TableEngine::DbfTable {
  TrackedFile file;
  DbfHeader header;
  std::vector<std::uint8_t> descriptors;
  RecordCodec codec;
  std::int64_t recordsPastCount = 0;

  // A record whose read failed: storing the buffer over it would put another record's texts
  // there, so that store is skipped until the record has been read.
  std::optional<std::uint64_t> unreadRecord;

  // Reused per record, so that a pass over a large table allocates once.
  std::vector<std::uint8_t> recordBytes;
  std::vector<std::uint8_t> storeBytes;

  std::size_t StoredLength() const { return codec.Fields().storedLength; }
};

}  // namespace dbt
