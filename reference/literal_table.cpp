#include "reference/literal_table.h"

#include "reference/literal_field.h"
#include "util/text.h"

namespace dbt::reference {

int LiteralTable::FindField(std::string_view upper) const {
  for (std::size_t k = 0; k < fields.size(); ++k) {
    std::string name = OemBytesToAnsi(fields[k].name);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    if (UpperAnsi(name) == upper) return static_cast<int>(k);
  }
  return -1;
}

LiteralTable Describe(TableEngine& engine, TableHandle table) {
  LiteralTable layout;
  const DbfHeader header = engine.GetStoredHeader(table);
  layout.headerLength = header.HeaderLength();
  layout.recordLength = header.RecordLength();
  layout.count = engine.StoredRecordCount(table);
  const int fields = engine.FieldCount(table);
  const std::vector<std::uint8_t> descriptors =
      engine.ReadAt(table, 32, static_cast<std::size_t>(fields) * 32);
  std::size_t offset = 1;
  for (int k = 0; k < fields && descriptors.size() >= static_cast<std::size_t>(k + 1) * 32; ++k) {
    const std::uint8_t* d = &descriptors[static_cast<std::size_t>(k) * 32];
    LiteralField field;
    for (int i = 0; i < 10 && d[i] != 0; ++i) field.name += static_cast<char>(d[i]);
    field.type = static_cast<char>(d[11]);
    field.offset = offset;
    field.length = d[16];
    field.decimals = d[17];
    offset += field.length;
    layout.fields.push_back(field);
  }
  return layout;
}

std::string ReadRecord(TableEngine& engine, TableHandle table, const LiteralTable& layout,
                       std::int32_t record) {
  const std::vector<std::uint8_t> bytes =
      engine.ReadAt(table, layout.Offset(record), static_cast<std::size_t>(layout.recordLength));
  return {bytes.begin(), bytes.end()};
}

void WriteRecord(TableEngine& engine, TableHandle table, const LiteralTable& layout,
                 std::int32_t record, const std::string& bytes) {
  const std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
  // The literal versions go on past a failed write; the tests compare what reached the file.
  (void)engine.WriteAt(table, layout.Offset(record), out);
}

void StampHeader(TableEngine& engine, TableHandle table) {
  const auto header = engine.BuildHeaderBytes(table);
  (void)engine.WriteAt(table, 0, header);
}

}  // namespace dbt::reference
