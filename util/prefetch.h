#pragma once
// A hint that bytes will be read soon, so that a loop over scattered memory waits for several
// cache misses at once instead of one after another. Without the compilers' builtin it is a
// no-op: the loop is as correct, only slower.

#include <cstddef>

namespace dbt {

inline void PrefetchForReading(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(address, 0);
  // The hint has no effect the optimiser must keep: without this, GCC finds that a function
  // doing nothing but hinting changes nothing, and drops its calls, hint and all.
  asm volatile("" : : "r"(address));
#else
  (void)address;
#endif
}

// Every cache line of size bytes from address on.
inline void PrefetchBytes(const void* address, std::size_t size) {
  constexpr std::size_t kCacheLine = 64;
  const auto* bytes = static_cast<const unsigned char*>(address);
  for (std::size_t at = 0; at < size; at += kCacheLine) PrefetchForReading(bytes + at);
}

}  // namespace dbt
