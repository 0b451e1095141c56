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
      hashes.push_back({RecordHash(record + 1, recordLength - 1), blocks.First() + k});
    }
    if (progress) progress(blocks.End(), layout.count);
  }
  return true;
}

}  // namespace dbt::journal_detail
