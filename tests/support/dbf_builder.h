#pragma once
// dBase III tables built byte by byte, so that a test states exactly what the file holds.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dbt::test {

struct FieldSpec {
  std::string name;  // stored as given (OEM bytes), padded with zero bytes to 11
  char type = 'C';
  std::uint8_t length = 10;
  std::uint8_t decimals = 0;
};

class DbfBuilder {
 public:
  DbfBuilder& Version(std::uint8_t version);
  DbfBuilder& Date(int year, int month, int day);  // bytes 1-3
  DbfBuilder& LanguageDriver(std::uint8_t id);     // byte 29
  DbfBuilder& Field(const std::string& name, char type, std::uint8_t length,
                    std::uint8_t decimals = 0);
  // A record from its flag and one text per field, each padded with blanks or cut to its field.
  DbfBuilder& Record(const std::vector<std::string>& values, char flag = ' ');
  // A record given as its exact bytes, flag included.
  DbfBuilder& RawRecord(const std::string& bytes);
  // Overrides for damaged files; by default all three follow from fields and records.
  DbfBuilder& RecordCount(std::uint32_t count);
  DbfBuilder& HeaderLength(std::uint16_t length);
  DbfBuilder& RecordLength(std::uint16_t length);
  DbfBuilder& ExtraHeaderBytes(const std::string& bytes);  // after the 0x0D terminator
  DbfBuilder& EndMarker(bool present);                     // 0x1A after the last record

  std::uint16_t ComputedRecordLength() const;
  std::uint16_t ComputedHeaderLength() const;
  std::vector<std::uint8_t> Bytes() const;
  void WriteTo(const std::string& path) const;

 private:
  std::uint8_t version_ = 0x03;
  std::uint8_t year_ = 120, month_ = 1, day_ = 1;
  std::uint8_t languageDriver_ = 0;
  std::vector<FieldSpec> fields_;
  std::vector<std::string> records_;  // exact bytes, flag included
  std::optional<std::uint32_t> recordCount_;
  std::optional<std::uint16_t> headerLength_;
  std::optional<std::uint16_t> recordLength_;
  std::string extraHeader_;
  bool endMarker_ = true;
};

// Little-endian readers for checking header bytes in tests.
std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset);

}  // namespace dbt::test
