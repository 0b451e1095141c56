#pragma once
// Tables written by other programs, read byte by byte without the engine, made into journals,
// and the bytes each journal command must leave, worked out literally from the file format.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dbt::test {

using Bytes = std::vector<std::uint8_t>;

struct FieldSpan {
  std::string name;  // up to the first zero byte, at most 10 bytes, trailing blanks removed
  char type = 0;
  std::size_t offset = 0;  // within the record; the deletion flag is byte 0
  std::size_t length = 0;
};

struct TableLayout {
  std::size_t headerLength = 0;
  std::size_t recordLength = 0;
  std::uint32_t storedCount = 0;
  std::uint32_t count = 0;  // the stored count, cut to the whole records the file holds
  std::vector<FieldSpan> fields;

  std::size_t RecordOffset(std::size_t index) const { return headerLength + index * recordLength; }
  // Whole records stored after the counted ones.
  std::size_t RecordsPastCount(std::size_t fileSize) const;
};

// The layout by the dBase III rules (field count from the header length, rounded half to even);
// nothing when the header or the fields do not fit the file.
std::optional<TableLayout> ParseLayout(const Bytes& file);

// The field count by the dBase III rules, whether or not the fields fit the file.
std::size_t FieldCountOf(const Bytes& file);

// The first byte is one the tool reads (0x03, 0x04, 0x63, 0x83, 0x8B).
bool HasDbase3Version(const Bytes& file);

// dBase 7 keeps 48-byte field descriptors behind a 68-byte header.
bool IsLevel7(const Bytes& file);

struct Journal {
  Bytes bytes;
  TableLayout layout;
  std::size_t pathField = 0;  // index into layout.fields
};

// The table with its first field renamed DATUM and its widest character field after it
// renamed DATEI (any other field of either name renamed away); every record byte as stored.
// Nothing for a table of more fields than the tool handles.
std::optional<Journal> MakeJournal(const Bytes& file);

// The same journal holding only its first `keep` records, as a target to append to.
Bytes FirstRecordsOnly(const Journal& journal, std::uint32_t keep);

// The stored path's folder replaced by `folder`, with the extension sff if asked. A file name
// without an extension may keep its name or get ".sff"; both are listed.
std::vector<std::string> AcceptedNewPaths(const std::string& stored, const std::string& folder,
                                          bool sff);

// The normalising pass done literally on the raw bytes: each field by its type letter on its own
// bytes, ERROR without trailing NUL, line feed, carriage return and blanks, every record live,
// the header stamped with today's date.
Bytes ReferenceNormalize(const Bytes& file);

// The records of `source` (its stored count) appended to `target` as the append copies them:
// flags included, one 0x1A after the last, the count raised, the header stamped today.
Bytes ReferenceAppend(const Bytes& target, const Bytes& source);

// The header as a changing command writes it today.
void StampToday(Bytes& file);

}  // namespace dbt::test
