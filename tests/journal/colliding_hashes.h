#pragma once
// Tables of few distinct records and hashes that cannot tell many of them apart: what the
// confirmation on the records' own bytes must get right where a good hash would hide its faults.

#include <random>
#include <string>

#include "journal/duplicates.h"
#include "tests/support/dbf_builder.h"

namespace dbt::test {

// A numbered journal of that many records, each one of `distinct` paths, drawn from random.
DbfBuilder RandomJournal(std::mt19937& random, int records, int distinct);

// Per slot, in slot order, a hash that equal records share but many different ones too: the sum
// of the bytes after the flag, modulo groups.
RecordHashes WeakHashes(const std::string& path, int groups);

}  // namespace dbt::test
