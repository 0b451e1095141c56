// The search's bookkeeping before any bytes are compared: the hashes that may repeat, and their
// order.

#include "journal/duplicate_groups.h"
#include "journal/record_hash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace dbt::test {
namespace {

using journal_detail::HashedSlot;

TEST(SortHashes, GivesTheOrderOfAComparisonSort) {
  std::mt19937_64 random(3);
  for (const std::size_t size : {0, 1, 2, 9, 100, 5000, 70000, 300000}) {
    std::vector<HashedSlot> hashes;
    for (std::size_t slot = 0; slot < size; ++slot) {
      // Full-width hashes, runs of equal ones whose slots must stay ascending, and hashes that
      // differ only in their low bits, which the distribution by the top bits cannot order.
      const auto kind = random() % 4;
      const std::uint64_t hash = kind == 0   ? random() % 5 << 29
                                 : kind == 1 ? (random() % 3 << 25) + random() % 1000
                                             : random();
      hashes.push_back({hash, static_cast<std::int32_t>(slot)});
    }
    // The last table comes in descending slots, the order the pass over the records never gives.
    if (size == 300000) std::reverse(hashes.begin(), hashes.end());
    std::vector<HashedSlot> expected = hashes;
    std::sort(expected.begin(), expected.end());
    journal_detail::SortHashes(hashes);
    ASSERT_EQ(hashes.size(), expected.size());
    for (std::size_t i = 0; i < size; ++i) {
      ASSERT_EQ(hashes[i].Hash(), expected[i].Hash()) << size << " at " << i;
      ASSERT_EQ(hashes[i].Slot(), expected[i].Slot()) << size << " at " << i;
    }
  }
}

// The hash and the slot share one word: the largest slot and the hash bits next to it must
// neither spill into each other nor be lost, and the order stays by hash first.
TEST(HashedSlot, KeepsTheLargestSlotApartFromTheHashAndSortsByHashFirst) {
  constexpr std::int32_t kLargest = 0x7FFFFFFF;
  constexpr std::uint64_t kKept = (std::uint64_t{1} << 33) - 1;
  for (const std::uint64_t hash : {std::uint64_t{0}, std::uint64_t{1}, kKept, ~std::uint64_t{0},
                                   std::uint64_t{0x123456789ABCDEF0}}) {
    for (const std::int32_t slot : {0, 1, kLargest}) {
      const HashedSlot item(hash, slot);
      EXPECT_EQ(item.Hash(), hash & kKept) << hash << " " << slot;
      EXPECT_EQ(item.Slot(), slot) << hash << " " << slot;
    }
  }
  EXPECT_LT(HashedSlot(1, kLargest), HashedSlot(2, 0));
  EXPECT_LT(HashedSlot(2, 3), HashedSlot(2, 4));
}

// Only hashes that occur once may go: every member of a group must reach the comparison.
TEST(DropUniqueHashes, KeepsEveryOccurrenceOfARepeatedHash) {
  std::mt19937_64 random(7);
  for (const std::size_t size : {0, 1, 2, 50, 3000, 200000}) {
    std::vector<HashedSlot> hashes;
    for (std::size_t slot = 0; slot < size; ++slot) {
      const bool repeat = slot > 0 && random() % 4 == 0;
      const std::uint64_t hash = repeat ? hashes[random() % slot].Hash() : random();
      hashes.push_back({hash, static_cast<std::int32_t>(slot)});
    }
    std::map<std::uint64_t, int> occurrences;
    for (const HashedSlot& item : hashes) ++occurrences[item.Hash()];
    std::vector<HashedSlot> kept = hashes;
    journal_detail::DropUniqueHashes(kept);
    std::size_t repeated = 0;
    for (const HashedSlot& item : hashes) repeated += occurrences[item.Hash()] > 1 ? 1 : 0;
    std::size_t keptRepeated = 0;
    for (const HashedSlot& item : kept) keptRepeated += occurrences[item.Hash()] > 1 ? 1 : 0;
    EXPECT_EQ(keptRepeated, repeated) << size;
    // Most unique ones go, or the sort saves nothing.
    EXPECT_LE(kept.size() - keptRepeated, (size - repeated) / 4 + 1) << size;
  }
}

// The groups as the removal walks them: members numbered in ascending slots across many words
// of bits, each pointing at its own group, and only each group's last member marked last.
TEST(HashGroups, NumbersTheMembersInSlotOrderAndFindsEachOnesGroupAndLast) {
  std::mt19937_64 random(11);
  for (const std::int32_t count : {1, 63, 64, 65, 1000, 20000}) {
    std::vector<HashedSlot> hashes;
    std::vector<std::uint64_t> hashOf;
    std::map<std::uint64_t, std::vector<std::int32_t>> slotsOf;
    for (std::int32_t slot = 0; slot < count; ++slot) {
      // Stretches of many members and stretches of few.
      const bool repeat = slot > 0 && (slot / 500) % 2 == 0 && random() % 3 == 0;
      hashes.push_back({repeat ? hashOf[random() % hashOf.size()] : random(), slot});
      hashOf.push_back(hashes.back().Hash());
      slotsOf[hashOf.back()].push_back(slot);
    }
    journal_detail::SortHashes(hashes);
    const journal_detail::HashGroups groups = journal_detail::HashGroups::From(hashes, count);

    std::int32_t nextMember = 0;
    std::map<std::int32_t, std::uint64_t> hashOfGroup;
    std::vector<bool> member;
    for (std::int32_t slot = 0; slot < count; ++slot) {
      ASSERT_EQ(groups.MembersBefore(slot), nextMember) << count << " at " << slot;
      const std::vector<std::int32_t>& same = slotsOf[hashOf[static_cast<std::size_t>(slot)]];
      member.push_back(same.size() > 1);
      ASSERT_EQ(groups.IsMember(slot), member.back()) << count << " at " << slot;
      if (!member.back()) continue;
      const std::int32_t group = groups.GroupOfMember(nextMember++);
      // One group per hash, and no two hashes in one group.
      const auto known = hashOfGroup.emplace(group, hashOf[static_cast<std::size_t>(slot)]).first;
      EXPECT_EQ(known->second, hashOf[static_cast<std::size_t>(slot)]) << count << " at " << slot;
      EXPECT_EQ(groups.IsLast(slot), slot == same.back()) << count << " at " << slot;
    }
    EXPECT_EQ(groups.Members(), nextMember) << count;
    std::size_t repeatedHashes = 0;
    for (const auto& entry : slotsOf) repeatedHashes += entry.second.size() > 1 ? 1 : 0;
    EXPECT_EQ(hashOfGroup.size(), repeatedHashes) << count;
    EXPECT_EQ(groups.Empty(), repeatedHashes == 0) << count;
    for (int trial = 0; trial < 200; ++trial) {
      const auto begin = static_cast<std::int32_t>(random() % static_cast<std::uint64_t>(count));
      const auto end = begin + static_cast<std::int32_t>(
                                   random() % static_cast<std::uint64_t>(count - begin + 1));
      const bool any = std::any_of(member.begin() + begin, member.begin() + end,
                                   [](bool m) { return m; });
      EXPECT_EQ(groups.AnyIn(begin, end), any) << count << ": " << begin << " to " << end;
    }
  }
}

// Records that differ in one byte must never meet in one group, whatever the length and the
// position: a lane or a tail the hash left out would make every such pair a candidate.
TEST(RecordHash, RecordsDifferingInOneByteNeverShareAHash) {
  std::mt19937_64 random(5);
  for (std::size_t size = 1; size <= 300; ++size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    const std::uint64_t original = journal_detail::RecordHash(bytes.data(), size);
    for (std::size_t at = 0; at < size; ++at) {
      for (const std::uint8_t flip : {0x01, 0x80}) {
        bytes[at] ^= flip;
        EXPECT_NE(journal_detail::RecordHash(bytes.data(), size), original) << size << " " << at;
        bytes[at] ^= flip;
      }
    }
    EXPECT_EQ(journal_detail::RecordHash(bytes.data(), size), original);
  }
}

}  // namespace
}  // namespace dbt::test
