#include "dbf/table_header.h"

#include <algorithm>
#include <limits>

namespace dbt {
namespace {

std::string Hex(std::uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[value >> 4] + kDigits[value & 15];
}

HeaderCheck Refusal(TableOpenError error, std::string why) {
  HeaderCheck check;
  check.error = error;
  check.detail = std::move(why);
  return check;
}

// dBase level 7 keeps the version byte 0x04 but has a 68-byte header and 48-byte field
// descriptors: read as level 3, its descriptors would give garbage fields. Its header length is
// 68 + 48 n + 1 with the terminator as its last byte, which no level-3 header length (32 n + 33,
// odd multiples never meet) can be.
bool IsLevel7(std::span<const std::uint8_t> head, std::uint16_t headerLength,
              std::uint64_t fileSize) {
  constexpr std::uint16_t kLevel7Base = 68 + 1;
  if (head[0] != 0x04 || headerLength < kLevel7Base || headerLength > fileSize) return false;
  if ((headerLength - kLevel7Base) % 48 != 0) return false;
  return head.size() >= headerLength && head[headerLength - 1u] == kHeaderTerminator;
}

FieldLayout FieldsOf(std::span<const std::uint8_t> descriptors, int fields) {
  FieldLayout layout;
  layout.fieldCount = fields;
  std::size_t position = 1;
  for (int k = 1; k <= fields; ++k) {
    const std::uint8_t* descriptor = &descriptors[static_cast<std::size_t>(k - 1) * 32];
    layout.type[k] = static_cast<char>(descriptor[11]);
    layout.length[k] = descriptor[16];
    layout.offset[k] = static_cast<std::uint16_t>(position);
    position += descriptor[16];
  }
  layout.storedLength = position;
  return layout;
}

}  // namespace

std::size_t HeaderBytesWanted(std::span<const std::uint8_t> first, std::uint64_t fileSize) {
  if (first.size() < static_cast<std::size_t>(kHeaderSize)) return first.size();
  DbfHeader header;
  std::copy_n(first.begin(), kHeaderSize, header.bytes.begin());
  const std::uint64_t wanted = std::min<std::uint64_t>(header.HeaderLength(), fileSize);
  return std::max(static_cast<std::size_t>(wanted), static_cast<std::size_t>(kHeaderSize));
}

HeaderCheck CheckTableHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  if (fileSize == 0) return Refusal(TableOpenError::NotDbase, "the file is empty");
  if (head.empty()) return Refusal(TableOpenError::Other, "the file cannot be read");
  if (!IsAcceptedVersion(head[0])) {
    return Refusal(TableOpenError::NotDbase,
                   "first byte " + Hex(head[0]) +
                       " is no dBase III version byte (0x03, 0x04, 0x63, 0x83, 0x8B)");
  }
  if (head.size() < static_cast<std::size_t>(kHeaderSize)) {
    return Refusal(TableOpenError::Damaged,
                   std::to_string(fileSize) + " bytes are shorter than the 32-byte header");
  }
  HeaderCheck check;
  DbfHeader& header = check.layout.header;
  std::copy_n(head.begin(), kHeaderSize, header.bytes.begin());
  const std::uint16_t headerLength = header.HeaderLength();
  const std::uint16_t recordLength = header.RecordLength();
  // Before the field count: a length that no file of this size can hold says the header is
  // broken, not that the table has more fields than this tool handles.
  if (headerLength > fileSize) {
    return Refusal(TableOpenError::Damaged, "header length " + std::to_string(headerLength) +
                                                " runs past the file's " +
                                                std::to_string(fileSize) + " bytes");
  }
  const int fields = FieldCountFromHeaderLength(headerLength);
  if (IsLevel7(head, headerLength, fileSize)) {
    return Refusal(TableOpenError::Unsupported,
                   "a dBase level 7 table (48-byte field descriptors), which this tool does not "
                   "read or write");
  }
  if (fields > kMaxFields) {
    return Refusal(TableOpenError::Unsupported,
                   "header length " + std::to_string(headerLength) + " gives " +
                       std::to_string(fields) + " fields; more than " + std::to_string(kMaxFields) +
                       " are not supported");
  }
  const std::size_t descriptorsEnd =
      static_cast<std::size_t>(kHeaderSize) + static_cast<std::size_t>(kDescriptorSize) * fields;
  if (descriptorsEnd > headerLength) {
    return Refusal(TableOpenError::Damaged,
                   "the " + std::to_string(fields) + " field descriptors end at byte " +
                       std::to_string(descriptorsEnd) + ", past the header length " +
                       std::to_string(headerLength));
  }
  if (head.size() < headerLength) {
    return Refusal(TableOpenError::Other, "the header cannot be read");
  }

  const std::span<const std::uint8_t> descriptors =
      head.subspan(kHeaderSize, descriptorsEnd - static_cast<std::size_t>(kHeaderSize));
  check.layout.fields = FieldsOf(descriptors, fields);
  const std::size_t storedLength = check.layout.fields.storedLength;
  if (recordLength < storedLength) {
    return Refusal(TableOpenError::Damaged, "record length " + std::to_string(recordLength) +
                                                " is shorter than its fields (1 + " +
                                                std::to_string(storedLength - 1) + ")");
  }
  check.layout.descriptors.assign(descriptors.begin(), descriptors.end());

  // A count beyond the records the file holds would read garbage past its end and let a store
  // extend it; the slots the file really holds are what the table has.
  const std::uint64_t slots = (fileSize - headerLength) / recordLength;
  const std::uint64_t count = std::min<std::uint64_t>(header.RecordCount(), slots);
  // Record numbers are 32-bit signed here: a table that holds more counted records would have
  // its count written back lower, losing records from it.
  constexpr auto kMostRecords =
      static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  if (count > kMostRecords) {
    return Refusal(TableOpenError::Unsupported,
                   "it counts " + std::to_string(count) + " records; more than " +
                       std::to_string(kMostRecords) + " are not supported");
  }
  header.SetRecordCount(static_cast<std::uint32_t>(count));
  return check;
}

}  // namespace dbt
