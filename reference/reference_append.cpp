#include "dbf/format.h"
#include "reference/literal_table.h"
#include "reference/reference_operations.h"
#include "util/text.h"

namespace dbt::reference {
namespace {

bool IsBlank(const std::string& path) {
  return path.find_first_not_of(std::string(" \0", 2)) == std::string::npos;
}

bool SameLayout(const LiteralTable& a, const LiteralTable& b) {
  if (a.headerLength != b.headerLength || a.recordLength != b.recordLength) return false;
  if (a.fields.size() != b.fields.size()) return false;
  for (std::size_t k = 0; k < a.fields.size(); ++k) {
    const LiteralField& x = a.fields[k];
    const LiteralField& y = b.fields[k];
    if (UpperAnsi(x.name) != UpperAnsi(y.name) || x.type != y.type || x.length != y.length ||
        x.decimals != y.decimals) {
      return false;
    }
  }
  return true;
}

// Both opened for reading, their layouts compared, both closed.
bool Compatible(TableEngine& engine, const std::string& targetPath, TableHandle target,
                const std::string& sourcePath, TableHandle source) {
  std::vector<std::uint8_t> headerBytes;
  std::int64_t targetSize = 0;
  if (engine.OpenTableRead(targetPath, target, headerBytes, targetSize) <= kHeaderSize) {
    engine.CloseTable(target);
    return false;
  }
  std::int64_t sourceSize = 0;
  if (engine.OpenTableRead(sourcePath, source, headerBytes, sourceSize) <= kHeaderSize) {
    engine.CloseTable(source);
    engine.CloseTable(target);
    return false;
  }
  const bool same = SameLayout(Describe(engine, target), Describe(engine, source));
  engine.CloseTable(source);
  engine.CloseTable(target);
  return same;
}

}  // namespace

int AppendTable(TableEngine& engine, const std::string& targetPath, TableHandle target,
                const std::string& sourcePath, TableHandle source) {
  if (IsBlank(targetPath) || IsBlank(sourcePath) || target == source) return 0;
  if (targetPath == sourcePath || engine.Files().SameFile(targetPath, sourcePath)) return 0;
  if (!Compatible(engine, targetPath, target, sourcePath, source)) return 0;
  std::vector<std::uint8_t> headerBytes;
  std::int64_t size = 0;
  if (engine.OpenTableUpdate(targetPath, target, headerBytes, size) == 0) return 0;
  std::int64_t sourceSize = 0;
  if (engine.OpenTableRead(sourcePath, source, headerBytes, sourceSize) == 0) {
    engine.CloseTable(target);
    return 0;
  }
  const LiteralTable to = Describe(engine, target);
  const LiteralTable from = Describe(engine, source);
  if (from.count > 0) {
    for (std::int32_t i = 1; i <= from.count; ++i) {
      std::string record = ReadRecord(engine, source, from, i);
      record += static_cast<char>(kEndOfFile);
      WriteRecord(engine, target, to, to.count + i, record);
    }
    (void)engine.SetFileEnd(target);  // literal: goes on whatever the cut gives
    DbfHeader header = engine.GetStoredHeader(target);
    header.SetRecordCount(static_cast<std::uint32_t>(to.count + from.count));
    engine.PutStoredHeader(target, header);
    StampHeader(engine, target);
  }
  engine.CloseTable(source);
  engine.CloseTable(target);
  return 1;
}

}  // namespace dbt::reference
