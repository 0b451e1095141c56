#pragma once
// What the references need of an open table, read straight from its header and descriptors.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/engine.h"

namespace dbt::reference {

struct LiteralField {
  std::string name;  // as stored, up to the first zero byte, at most 10 bytes (OEM)
  char type = 0;
  std::size_t offset = 0;  // in the record, after the flag
  std::size_t length = 0;
  std::uint8_t decimals = 0;
};

struct LiteralTable {
  std::uint64_t headerLength = 0;
  std::uint64_t recordLength = 0;
  std::int32_t count = 0;
  std::vector<LiteralField> fields;

  std::uint64_t Offset(std::int32_t record) const {  // 1-based
    return headerLength + static_cast<std::uint64_t>(record - 1) * recordLength;
  }
  // The 0-based index of the first field whose name, in ANSI without trailing blanks and zero
  // bytes and upper-cased, is `upper`; -1 when there is none.
  int FindField(std::string_view upper) const;
};

// Of the table open under `table`.
LiteralTable Describe(TableEngine& engine, TableHandle table);

std::string ReadRecord(TableEngine& engine, TableHandle table, const LiteralTable& layout,
                       std::int32_t record);
void WriteRecord(TableEngine& engine, TableHandle table, const LiteralTable& layout,
                 std::int32_t record, const std::string& bytes);
// Today's date in the stored header, written at offset 0.
void StampHeader(TableEngine& engine, TableHandle table);

}  // namespace dbt::reference
