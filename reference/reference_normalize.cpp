#include "reference/literal_field.h"
#include "reference/literal_table.h"
#include "reference/reference_dedupe.h"
#include "reference/reference_operations.h"

namespace dbt::reference {
namespace {

bool IsErrorTail(char c) {
  return c == '\0' || c == '\n' || c == '\r' || c == ' ';
}

}  // namespace

std::int32_t NormalizeRecords(TableEngine& engine, const std::string& path, TableHandle table) {
  if (!engine.Files().Exists(path)) return -1;
  std::vector<std::uint8_t> headerBytes;
  std::int64_t size = 0;
  if (engine.OpenTableUpdate(path, table, headerBytes, size) == 0) return -1;
  const LiteralTable layout = Describe(engine, table);
  const int error = layout.FindField("ERROR");
  const int year = engine.Today().year;
  for (std::int32_t i = 1; i <= layout.count; ++i) {
    std::string record = ReadRecord(engine, table, layout, i);
    record[0] = ' ';
    if (error >= 0) {
      const LiteralField& field = layout.fields[static_cast<std::size_t>(error)];
      const std::string display = DisplayOf(field.type, record.substr(field.offset, field.length));
      std::string trimmed = display;
      while (!trimmed.empty() && IsErrorTail(trimmed.back())) trimmed.pop_back();
      // A field whose text stays as it was keeps its stored bytes.
      if (trimmed != display) {
        record.replace(field.offset, field.length,
                       StoredOf(field.type, trimmed, field.length, year));
      }
    }
    WriteRecord(engine, table, layout, i, record);
  }
  StampHeader(engine, table);
  engine.CloseTable(table);
  return layout.count;
}

std::int32_t DeleteDuplicates(TableEngine& engine, const std::string& path, TableHandle table) {
  if (NormalizeRecords(engine, path, table) < 0) return 0;
  std::vector<std::uint8_t> headerBytes;
  std::int64_t size = 0;
  if (engine.OpenTableRead(path, table, headerBytes, size) == 0) return 0;
  const std::int32_t before = engine.StoredRecordCount(table);
  engine.CloseTable(table);
  if (ReferenceMarkDuplicates(engine, path, table) == 0) return 0;
  ReferencePackMarked(engine, path, table);
  size = 0;
  if (engine.OpenTableRead(path, table, headerBytes, size) == 0) return 0;
  const std::int32_t after = engine.StoredRecordCount(table);
  engine.CloseTable(table);
  return before - after;
}

}  // namespace dbt::reference
