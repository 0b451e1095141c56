#include "journal/duplicate_groups.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

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

namespace {

constexpr int kDigitBits = 11;
constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;
// The bit sets that drop unique hashes have at most 2^kMostDropBits bits.
constexpr int kMostDropBits = 27;
// Sorting and dropping look at the top bits of a HashedSlot's word: they must all be hash bits,
// or equal hashes of different slots would part.
constexpr int kHashBits = 64 - HashedSlot::kSlotBits;
static_assert(2 * kDigitBits <= kHashBits && kMostDropBits <= kHashBits);

// One stable counting pass: the items of `from` into `to`, in the order of the digit of their
// hash at `shift`; ends receives where each digit's items end.
void DistributeByDigit(std::span<const HashedSlot> from, HashedSlot* to, int shift,
                       std::vector<std::size_t>& ends) {
  ends.assign(kDigits, 0);
  for (const HashedSlot& item : from) ++ends[(item.Word() >> shift) & (kDigits - 1)];
  std::size_t sum = 0;
  for (std::size_t& count : ends) sum += std::exchange(count, sum);
  for (const HashedSlot& item : from) to[ends[(item.Word() >> shift) & (kDigits - 1)]++] = item;
}

}  // namespace

void SortHashes(std::vector<HashedSlot>& hashes) {
  // Below this the comparison sort is as fast and needs no second array.
  if (hashes.size() < 4096) {
    std::sort(hashes.begin(), hashes.end());
    return;
  }
  // Two stable passes over the top 22 bits of the hash, the second within each bucket of the
  // first while it is in the cache. The slots stay in the order they came in within equal
  // hashes; only runs that share those 22 bits with a different hash can be out of order, and
  // each such run is sorted alone.
  std::vector<HashedSlot> other(hashes.size());
  std::vector<std::size_t> ends;
  DistributeByDigit(hashes, other.data(), 64 - kDigitBits, ends);
  std::vector<std::size_t> innerEnds;
  std::size_t begin = 0;
  for (const std::size_t end : ends) {
    const std::span<const HashedSlot> bucket(other.data() + begin, end - begin);
    if (!bucket.empty()) {
      DistributeByDigit(bucket, hashes.data() + begin, 64 - 2 * kDigitBits, innerEnds);
    }
    begin = end;
  }
  const auto prefix = [&](std::size_t i) { return hashes[i].Word() >> (64 - 2 * kDigitBits); };
  for (std::size_t i = 1; i < hashes.size();) {
    if (!(hashes[i] < hashes[i - 1])) {
      ++i;
      continue;
    }
    std::size_t first = i - 1;
    while (first > 0 && prefix(first - 1) == prefix(i)) --first;
    std::size_t last = i + 1;
    while (last < hashes.size() && prefix(last) == prefix(i)) ++last;
    std::sort(hashes.begin() + static_cast<std::ptrdiff_t>(first),
              hashes.begin() + static_cast<std::ptrdiff_t>(last));
    i = last;
  }
}

void DropUniqueHashes(std::vector<HashedSlot>& hashes) {
  int bits = 10;
  while (bits < kMostDropBits && (std::size_t{1} << bits) < hashes.size() * 16) ++bits;
  const std::size_t words = (std::size_t{1} << bits) / 64;
  std::vector<std::uint64_t> once(words, 0);
  std::vector<std::uint64_t> twice(words, 0);
  const int shift = 64 - bits;
  for (const HashedSlot& item : hashes) {
    const std::uint64_t at = item.Word() >> shift;
    const std::uint64_t bit = std::uint64_t{1} << (at % 64);
    twice[at / 64] |= once[at / 64] & bit;
    once[at / 64] |= bit;
  }
  std::erase_if(hashes, [&](const HashedSlot& item) {
    const std::uint64_t at = item.Word() >> shift;
    return (twice[at / 64] >> (at % 64) & 1) == 0;
  });
}

HashGroups HashGroups::From(std::vector<HashedSlot>& hashes, std::int32_t count) {
  // Each run of equal hashes longer than one, from begin to its end.
  const auto forEachGroup = [&hashes](const auto& visit) {
    for (std::size_t begin = 0; begin < hashes.size();) {
      std::size_t end = begin + 1;
      while (end < hashes.size() && hashes[end].Hash() == hashes[begin].Hash()) ++end;
      if (end - begin > 1) visit(begin, end);
      begin = end;
    }
  };
  HashGroups result;
  result.words_.resize((static_cast<std::size_t>(count) + 63) / 64);
  // The groups are counted and the members' bits set first, so that the groups and the members'
  // list take their own size while the hashes are still held, not up to twice that as growing
  // arrays would.
  std::size_t groups = 0;
  forEachGroup([&](std::size_t begin, std::size_t end) {
    ++groups;
    for (std::size_t m = begin; m < end; ++m) {
      result.WordOf(hashes[m].Slot()).members |= BitOf(hashes[m].Slot());
    }
    result.WordOf(hashes[end - 1].Slot()).lasts |= BitOf(hashes[end - 1].Slot());
  });
  result.groups_.resize(groups);
  std::int32_t members = 0;
  for (Word& word : result.words_) {
    word.membersBefore = members;
    members += CountOnes(word.members);
  }
  result.memberGroups_.resize(static_cast<std::size_t>(members));
  std::int32_t group = 0;
  forEachGroup([&](std::size_t begin, std::size_t end) {
    for (std::size_t m = begin; m < end; ++m) {
      const auto member = static_cast<std::size_t>(result.MembersBefore(hashes[m].Slot()));
      result.memberGroups_[member] = group;
    }
    ++group;
  });
  hashes.clear();
  hashes.shrink_to_fit();
  return result;
}

bool HashGroups::AnyIn(std::int32_t begin, std::int32_t end) const {
  for (auto at = static_cast<std::size_t>(begin); at < static_cast<std::size_t>(end);) {
    const std::size_t bit = at % 64;
    const std::size_t bits = std::min<std::size_t>(64 - bit, static_cast<std::size_t>(end) - at);
    const std::uint64_t mask = bits == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << bits) - 1);
    if ((words_[at / 64].members >> bit & mask) != 0) return true;
    at += bits;
  }
  return false;
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
  hashes.reserve(static_cast<std::size_t>(std::max(layout.count, 0)));
  RecordBlocks blocks(engine, table, layout);
  while (blocks.Advance()) {
    if (!blocks.Read()) return false;
    for (std::int32_t k = 0; k < blocks.Slots(); ++k) {
      hashes.push_back(HashAfterFlag(blocks.Record(k), blocks.First() + k));
    }
    if (progress) progress(blocks.End(), layout.count);
  }
  return true;
}

}  // namespace dbt::journal_detail
