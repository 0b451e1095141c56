#include "journal/duplicate_groups.h"

#include <algorithm>
#include <cstring>

#include "journal/record_blocks.h"
#include "journal/record_hash.h"

namespace dbt::journal_detail {

namespace {
std::size_t g_keptRecordBytes = kKeptRecordBytes;
}  // namespace

std::size_t KeptRecordBytes() {
  return g_keptRecordBytes;
}

void SetKeptRecordBytes(std::size_t bytes) {
  g_keptRecordBytes = bytes;
}

void DropUniqueHashes(std::vector<HashedSlot>& hashes) {
  int bits = 10;
  while (bits < 27 && (std::size_t{1} << bits) < hashes.size() * 16) ++bits;
  const std::size_t words = (std::size_t{1} << bits) / 64;
  std::vector<std::uint64_t> once(words, 0);
  std::vector<std::uint64_t> twice(words, 0);
  const int shift = 64 - bits;
  for (const HashedSlot& item : hashes) {
    const std::uint64_t at = item.hash >> shift;
    const std::uint64_t bit = std::uint64_t{1} << (at % 64);
    twice[at / 64] |= once[at / 64] & bit;
    once[at / 64] |= bit;
  }
  std::erase_if(hashes, [&](const HashedSlot& item) {
    const std::uint64_t at = item.hash >> shift;
    return (twice[at / 64] >> (at % 64) & 1) == 0;
  });
}

HashGroups HashGroups::From(std::vector<HashedSlot>& hashes, std::int32_t count) {
  HashGroups result;
  result.groupOf.assign(static_cast<std::size_t>(count), kNoGroup);
  for (std::size_t begin = 0; begin < hashes.size();) {
    std::size_t end = begin + 1;
    while (end < hashes.size() && hashes[end].hash == hashes[begin].hash) ++end;
    if (end - begin > 1) {
      const auto group = static_cast<std::int32_t>(result.groups.size());
      result.groups.push_back({hashes[begin].slot, hashes[end - 1].slot});
      for (std::size_t m = begin; m < end; ++m) {
        result.groupOf[static_cast<std::size_t>(hashes[m].slot)] = group;
      }
    }
    begin = end;
  }
  hashes.clear();
  hashes.shrink_to_fit();
  return result;
}

KeptRecords::KeptRecords(std::size_t size, std::size_t limit)
    : size_(size),
      capacity_(size == 0 ? 0 : limit / size),
      store_(capacity_ == 0 ? nullptr : new std::uint8_t[capacity_ * size_]) {}

std::int32_t KeptRecords::Keep(const std::uint8_t* bytes) {
  std::int32_t place = kNoGroup;
  if (!free_.empty()) {
    place = free_.back();
    free_.pop_back();
  } else if (used_ < capacity_) {
    place = static_cast<std::int32_t>(used_++);
  } else {
    return kNoGroup;
  }
  if (size_ > 0) std::memcpy(At(place), bytes, size_);
  return place;
}

void KeptRecords::Release(std::int32_t place) {
  if (place != kNoGroup) free_.push_back(place);
}

bool HashRecords(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                 std::vector<HashedSlot>& hashes, const Progress& progress) {
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  hashes.reserve(static_cast<std::size_t>(std::max(layout.count, 0)));
  RecordBlocks blocks(engine, table, layout);
  while (blocks.Advance()) {
    if (!blocks.Read()) return false;
    for (std::int32_t k = 0; k < blocks.Slots(); ++k) {
      const std::uint8_t* record = blocks.Record(k).data();
      hashes.push_back({HashBytes(record + 1, recordLength - 1), blocks.First() + k});
    }
    if (progress) progress(blocks.End(), layout.count);
  }
  return true;
}

}  // namespace dbt::journal_detail
