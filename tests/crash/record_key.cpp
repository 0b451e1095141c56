#include "tests/crash/record_key.h"

#include "bench/journal_generator.h"

namespace dbt::test {
namespace {

using bench::kGeneratedErrorOffset;
using bench::kGeneratedPathLength;
using bench::kGeneratedPathOffset;

// The parts of a record that make up its key, in order.
template <typename Use>
void KeyParts(std::string_view record, Use use) {
  use(record.substr(1, kGeneratedPathOffset - 1));
  std::string_view path = record.substr(kGeneratedPathOffset, kGeneratedPathLength);
  path = path.substr(0, path.find_last_not_of(' ') + 1);
  path = path.substr(path.find_last_of(":\\") + 1);
  use(path.substr(0, path.rfind('.')));
  use("|");
  use(record.substr(kGeneratedPathOffset + kGeneratedPathLength,
                    kGeneratedErrorOffset - kGeneratedPathOffset - kGeneratedPathLength));
  const std::string_view error = record.substr(kGeneratedErrorOffset);
  use(error.substr(0, error.find_last_not_of(std::string_view(" \r\n\0", 4)) + 1));
}

}  // namespace

std::uint64_t RecordKeyHash(std::string_view record) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  KeyParts(record, [&](std::string_view part) {
    for (const char c : part) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  });
  return hash;
}

}  // namespace dbt::test
