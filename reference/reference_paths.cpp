#include "reference/literal_field.h"
#include "reference/literal_table.h"
#include "reference/reference_operations.h"

namespace dbt::reference {
namespace {

std::string WithoutTrailingNulBlank(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

bool OpenForUpdate(TableEngine& engine, const std::string& path, TableHandle table) {
  if (!engine.Files().Exists(path)) return false;
  std::vector<std::uint8_t> headerBytes;
  std::int64_t size = 0;
  return engine.OpenTableUpdate(path, table, headerBytes, size) > 0;
}

// The record with path in DATEI and a blank flag, or false when the path does not fit.
bool Stored(std::string& record, const LiteralField& datei, const std::string& path, int year) {
  const std::string stored = DisplayOf(datei.type, record.substr(datei.offset, datei.length));
  if (path.size() > datei.length) return false;
  record[0] = ' ';
  // A field whose text stays as it was keeps its stored bytes (a DATEI of an unknown type
  // shows as empty text, and so does the new path of an empty one).
  if (path != stored) {
    record.replace(datei.offset, datei.length, StoredOf(datei.type, path, datei.length, year));
  }
  return true;
}

bool Relocated(std::string& record, const LiteralField& datei, const std::string& targetFolder,
               bool sff, int year) {
  const std::string stored = DisplayOf(datei.type, record.substr(datei.offset, datei.length));
  return Stored(record, datei, NewPath(WithoutTrailingNulBlank(stored), targetFolder, sff), year);
}

}  // namespace

std::string NewPath(const std::string& storedPath, const std::string& targetFolder, bool sff) {
  const std::size_t folderEnd = storedPath.find_last_of(":\\");
  std::string name = folderEnd == std::string::npos ? storedPath : storedPath.substr(folderEnd + 1);
  if (sff) {
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name = name.substr(0, dot + 1) + "sff";
  }
  return WithoutTrailingNulBlank(targetFolder + name);
}

AllPathsResult ChangeAllPaths(TableEngine& engine, const std::string& path, TableHandle table,
                              const std::string& targetFolder, bool sff) {
  AllPathsResult result;
  if (!OpenForUpdate(engine, path, table)) return result;
  const LiteralTable layout = Describe(engine, table);
  const int datei = layout.FindField("DATEI");
  if (datei < 0) {
    engine.CloseTable(table);
    return result;
  }
  const int year = engine.Today().year;
  for (std::int32_t i = 1; i <= layout.count; ++i) {
    std::string record = ReadRecord(engine, table, layout, i);
    if (!Relocated(record, layout.fields[static_cast<std::size_t>(datei)], targetFolder, sff,
                   year)) {
      result.tooLong.push_back(i);
      continue;
    }
    WriteRecord(engine, table, layout, i, record);
    ++result.changed;
  }
  StampHeader(engine, table);
  engine.CloseTable(table);
  result.written = true;
  return result;
}

int ChangeOnePath(TableEngine& engine, const std::string& path, TableHandle table,
                  std::int32_t record, const std::string& targetFolder, bool sff) {
  if (!OpenForUpdate(engine, path, table)) return 0;
  const LiteralTable layout = Describe(engine, table);
  const int datei = layout.FindField("DATEI");
  int stored = 0;
  if (datei >= 0 && layout.count > 0) {
    const std::int32_t n = record < 1 ? 1 : record > layout.count ? layout.count : record;
    std::string bytes = ReadRecord(engine, table, layout, n);
    if (Relocated(bytes, layout.fields[static_cast<std::size_t>(datei)], targetFolder, sff,
                  engine.Today().year)) {
      WriteRecord(engine, table, layout, n, bytes);
      StampHeader(engine, table);
      stored = 1;
    }
  }
  engine.CloseTable(table);
  return stored;
}

int StorePath(TableEngine& engine, const std::string& path, TableHandle table, std::int32_t record,
              const std::string& newPath) {
  if (!OpenForUpdate(engine, path, table)) return 0;
  const LiteralTable layout = Describe(engine, table);
  const int datei = layout.FindField("DATEI");
  int stored = 0;
  if (datei >= 0 && record >= 1 && record <= layout.count) {
    std::string bytes = ReadRecord(engine, table, layout, record);
    if (Stored(bytes, layout.fields[static_cast<std::size_t>(datei)], newPath,
               engine.Today().year)) {
      WriteRecord(engine, table, layout, record, bytes);
      StampHeader(engine, table);
      stored = 1;
    }
  }
  engine.CloseTable(table);
  return stored;
}

}  // namespace dbt::reference
