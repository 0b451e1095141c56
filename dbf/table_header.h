#pragma once
// The checks a table's header must pass before anything is read or written through it. They
// look at the header's bytes and the file's size alone, so that a fuzzer can call exactly what
// an open calls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dbf/format.h"
#include "dbf/table_open_error.h"

namespace dbt {

// Where each field's text lies in a record, from the descriptors; [0] is not used.
struct FieldLayout {
  int fieldCount = 0;
  std::array<std::uint16_t, kMaxFields + 1> offset{};
  std::array<std::uint8_t, kMaxFields + 1> length{};
  std::array<char, kMaxFields + 1> type{};
  std::size_t storedLength = 1;  // the flag and the fields: what a store writes
};

// What an accepted header says about its table.
struct TableLayout {
  // The stored header, its record count limited to the whole record slots the file holds.
  DbfHeader header;
  std::vector<std::uint8_t> descriptors;  // 32 bytes a field, as stored
  FieldLayout fields;
};

struct [[nodiscard]] HeaderCheck {
  TableOpenError error = TableOpenError::None;
  // The reason without the file's name, e.g. "record length 120 is shorter than its fields
  // (1 + 131)".
  std::string detail;
  TableLayout layout;  // only when ok()
  [[nodiscard]] bool ok() const { return error == TableOpenError::None; }
};

// How many bytes from the file's start the check needs, once `first` (up to 32 bytes read from
// offset 0) is known: the whole header where the file holds it.
[[nodiscard]] std::size_t HeaderBytesWanted(std::span<const std::uint8_t> first,
                                            std::uint64_t fileSize);

// `head` holds the bytes that could be read from the file's start: HeaderBytesWanted of them
// when every read succeeded (any bytes past the header length are not looked at). The layout,
// or why the table is refused.
[[nodiscard]] HeaderCheck CheckTableHeader(std::span<const std::uint8_t> head,
                                           std::uint64_t fileSize);

}  // namespace dbt
