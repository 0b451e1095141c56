#include "tests/support/dbf_builder.h"

#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace dbt::test {

DbfBuilder& DbfBuilder::Version(std::uint8_t version) {
  version_ = version;
  return *this;
}

DbfBuilder& DbfBuilder::Date(int year, int month, int day) {
  year_ = static_cast<std::uint8_t>(year - 1900);
  month_ = static_cast<std::uint8_t>(month);
  day_ = static_cast<std::uint8_t>(day);
  return *this;
}

DbfBuilder& DbfBuilder::LanguageDriver(std::uint8_t id) {
  languageDriver_ = id;
  return *this;
}

DbfBuilder& DbfBuilder::Field(const std::string& name, char type, std::uint8_t length,
                              std::uint8_t decimals) {
  fields_.push_back({name, type, length, decimals});
  return *this;
}

DbfBuilder& DbfBuilder::Record(const std::vector<std::string>& values, char flag) {
  std::string bytes(1, flag);
  for (std::size_t k = 0; k < fields_.size(); ++k) {
    std::string text = k < values.size() ? values[k] : std::string();
    text.resize(fields_[k].length, ' ');
    bytes += text;
  }
  records_.push_back(bytes);
  return *this;
}

DbfBuilder& DbfBuilder::RawRecord(const std::string& bytes) {
  records_.push_back(bytes);
  return *this;
}

DbfBuilder& DbfBuilder::RecordCount(std::uint32_t count) {
  recordCount_ = count;
  return *this;
}

DbfBuilder& DbfBuilder::HeaderLength(std::uint16_t length) {
  headerLength_ = length;
  return *this;
}

DbfBuilder& DbfBuilder::RecordLength(std::uint16_t length) {
  recordLength_ = length;
  return *this;
}

DbfBuilder& DbfBuilder::ExtraHeaderBytes(const std::string& bytes) {
  extraHeader_ = bytes;
  return *this;
}

DbfBuilder& DbfBuilder::EndMarker(bool present) {
  endMarker_ = present;
  return *this;
}

std::uint16_t DbfBuilder::ComputedRecordLength() const {
  unsigned length = 1;
  for (const FieldSpec& f : fields_) length += f.length;
  return static_cast<std::uint16_t>(length);
}

std::uint16_t DbfBuilder::ComputedHeaderLength() const {
  return static_cast<std::uint16_t>(32 + 32 * fields_.size() + 1 + extraHeader_.size());
}

namespace {
void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
}  // namespace

std::vector<std::uint8_t> DbfBuilder::Bytes() const {
  std::vector<std::uint8_t> out(32, 0);
  out[0] = version_;
  out[1] = year_;
  out[2] = month_;
  out[3] = day_;
  PutU32(out, 4, recordCount_.value_or(static_cast<std::uint32_t>(records_.size())));
  PutU16(out, 8, headerLength_.value_or(ComputedHeaderLength()));
  PutU16(out, 10, recordLength_.value_or(ComputedRecordLength()));
  out[29] = languageDriver_;
  for (const FieldSpec& f : fields_) {
    std::vector<std::uint8_t> d(32, 0);
    for (std::size_t i = 0; i < f.name.size() && i < 11; ++i)
      d[i] = static_cast<std::uint8_t>(f.name[i]);
    d[11] = static_cast<std::uint8_t>(f.type);
    d[16] = f.length;
    d[17] = f.decimals;
    out.insert(out.end(), d.begin(), d.end());
  }
  out.push_back(0x0D);
  out.insert(out.end(), extraHeader_.begin(), extraHeader_.end());
  for (const std::string& r : records_) out.insert(out.end(), r.begin(), r.end());
  if (endMarker_) out.push_back(0x1A);
  return out;
}

void DbfBuilder::WriteTo(const std::string& path) const {
  WriteFileBytes(path, Bytes());
}

namespace {

// A header field past the file's end is a fault of the test's table, not a value to read.
std::span<const std::uint8_t> FieldBytes(std::span<const std::uint8_t> bytes, std::size_t offset,
                                         std::size_t size) {
  if (offset > bytes.size() || bytes.size() - offset < size) {
    throw std::out_of_range("header field past the end of the bytes");
  }
  return bytes.subspan(offset, size);
}

}  // namespace

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  const auto field = FieldBytes(bytes, offset, 4);
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | field[static_cast<std::size_t>(i)];
  return v;
}

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  const auto field = FieldBytes(bytes, offset, 2);
  return static_cast<std::uint16_t>(field[0] | (field[1] << 8));
}

}  // namespace dbt::test
