#pragma once
// The dBase III Plus file layout: a 32-byte header, 32 bytes per field descriptor, the 0x0D
// terminator, fixed-length records, and 0x1A after the last record.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "dbf/local_date.h"

namespace dbt {

inline constexpr int kHeaderSize = 32;
inline constexpr int kDescriptorSize = 32;
inline constexpr int kMaxFields = 128;
inline constexpr std::uint8_t kHeaderTerminator = 0x0D;
inline constexpr std::uint8_t kEndOfFile = 0x1A;
inline constexpr std::uint8_t kLiveFlag = ' ';
inline constexpr std::uint8_t kDeletedFlag = '*';
inline constexpr std::uint8_t kDuplicateMark = ':';  // earlier builds' mark before packing

// 0x03, 0x04, 0x63, 0x83, 0x8B.
[[nodiscard]] bool IsAcceptedVersion(std::uint8_t versionByte);

// (headerLength - 33) / 32 rounded to the nearest whole number, halves to the even neighbour;
// below 1 gives 0 (no fields).
[[nodiscard]] int FieldCountFromHeaderLength(std::uint16_t headerLength);

struct DbfHeader {
  std::array<std::uint8_t, kHeaderSize> bytes{};

  [[nodiscard]] std::uint8_t Version() const { return bytes[0]; }
  [[nodiscard]] std::uint32_t RecordCount() const;
  void SetRecordCount(std::uint32_t count);
  [[nodiscard]] std::uint16_t HeaderLength() const;
  [[nodiscard]] std::uint16_t RecordLength() const;
  // The date of last update in bytes 1-3 (years counted from 1900); nothing else changes.
  void StampDate(const LocalDate& date);
};

// A field's name fills the first 11 bytes of its descriptor, zero-terminated: at most 10
// characters, the 11th byte is the terminator's place even where a writer put a letter there.
inline constexpr int kMaxFieldNameLength = 10;

// The name bytes up to the first zero byte, at most kMaxFieldNameLength of them, as stored (no
// code page). Every reader of a name goes through here, so that the window, the command-line
// tool and the layout comparison of an append see the same name.
std::string StoredFieldName(std::span<const std::uint8_t, kDescriptorSize> descriptor);

struct DbfField {
  std::array<std::uint8_t, kDescriptorSize> bytes{};

  std::string RawName() const { return StoredFieldName(bytes); }
  char Type() const { return static_cast<char>(bytes[11]); }
  std::uint8_t Length() const { return bytes[16]; }
  std::uint8_t Decimals() const { return bytes[17]; }
};

}  // namespace dbt
