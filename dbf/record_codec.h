#pragma once
// A record's stored bytes (OEM, fixed-width fields) and the caller's texts (ANSI display forms)
// in both directions, so that a field the caller did not change is stored back byte for byte.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dbf/format.h"
#include "dbf/table_header.h"

namespace dbt {

// What a decode read, so that an encode writes every field whose display text the caller did
// not change back exactly as it was stored (unknown types, wide N fields, zero bytes and unusual
// widths included).
struct LoadedRecordImage {
  std::vector<std::uint8_t> stored;                 // the record's bytes as in the file (OEM)
  std::array<std::string, kMaxFields + 1> display;  // FieldValues as the decode set them
  std::array<std::uint16_t, kMaxFields + 1> offset{};
  std::array<std::uint8_t, kMaxFields + 1> length{};
  std::array<char, kMaxFields + 1> type{};
  int fieldCount = 0;  // 0: nothing loaded
};

struct RecordBuffer {
  std::string DeletionFlag;
  std::array<std::string, kMaxFields + 1> FieldValues;  // 1 to 128; [0] is not used
  LoadedRecordImage loaded;

  void ClearValues();  // empties every field value, so no earlier table's text survives
};

// One table's conversion. Its working texts are reused per record, so that a pass over a large
// table allocates once.
class RecordCodec {
 public:
  RecordCodec() = default;
  explicit RecordCodec(const FieldLayout& fields) : fields_(fields) {}

  [[nodiscard]] const FieldLayout& Fields() const { return fields_; }

  // `record` holds at least the stored length: the flag and every field.
  void Decode(std::span<const std::uint8_t> record, RecordBuffer& buffer);
  // The flag and every field at its exact place in `out` (the stored length); a field whose
  // display text the caller left as loaded keeps its stored bytes. A date given with a two-digit
  // year takes its century from currentYear, in the buffer too. The flag must be one character.
  void Encode(RecordBuffer& buffer, int currentYear, std::span<std::uint8_t> out);

 private:
  FieldLayout fields_;
  std::string convertedRecord_;
  std::string fieldText_;
};

}  // namespace dbt
