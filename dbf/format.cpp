#include "dbf/format.h"

#include <algorithm>

namespace dbt {
namespace {

std::uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool IsAcceptedVersion(std::uint8_t versionByte) {
  switch (versionByte) {
    case 0x03:
    case 0x04:
    case 0x63:
    case 0x83:
    case 0x8B:
      return true;
    default:
      return false;
  }
}

int FieldCountFromHeaderLength(std::uint16_t headerLength) {
  const int excess = static_cast<int>(headerLength) - 33;
  if (excess <= 16) return 0;  // below one field, or exactly half of one (rounds to even 0)
  const int whole = excess / 32;
  const int rest = excess % 32;
  if (rest > 16) return whole + 1;
  if (rest == 16 && whole % 2 == 1) return whole + 1;
  return whole;
}

std::uint32_t DbfHeader::RecordCount() const {
  return static_cast<std::uint32_t>(bytes[4]) | (static_cast<std::uint32_t>(bytes[5]) << 8) |
         (static_cast<std::uint32_t>(bytes[6]) << 16) |
         (static_cast<std::uint32_t>(bytes[7]) << 24);
}

void DbfHeader::SetRecordCount(std::uint32_t count) {
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(count >> (8 * i));
}

std::uint16_t DbfHeader::HeaderLength() const {
  return ReadU16(&bytes[8]);
}

std::uint16_t DbfHeader::RecordLength() const {
  return ReadU16(&bytes[10]);
}

void DbfHeader::StampDate(const LocalDate& date) {
  // One byte each: a date the byte cannot hold is kept at its nearest end, never wrapped.
  bytes[1] = static_cast<std::uint8_t>(std::clamp(date.year - 1900, 0, 255));
  bytes[2] = static_cast<std::uint8_t>(std::clamp(date.month, 0, 255));
  bytes[3] = static_cast<std::uint8_t>(std::clamp(date.day, 0, 255));
}

std::string StoredFieldName(std::span<const std::uint8_t, kDescriptorSize> descriptor) {
  std::string name;
  for (int i = 0; i < kMaxFieldNameLength && descriptor[i] != 0; ++i)
    name += static_cast<char>(descriptor[i]);
  return name;
}

}  // namespace dbt
