// Arbitrary bytes as a table file: the header checks, called on the bytes alone, must give the
// open's verdict; whatever the engine accepts must come back byte for byte after loading and
// storing every record unchanged, and a changed record must stay inside its own slot without the
// file growing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "dbf/engine.h"
#include "dbf/table_header.h"
#include "tests/support/memory_file_system.h"

namespace {

constexpr dbt::TableHandle kTable = 1;
constexpr std::int32_t kMaxRecords = 64;  // enough to reach every code path, fast per input
const char* const kPath = "table.dbf";

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "table fuzzer: %s\n", what);
  std::abort();
}

void LoadEveryRecord(dbt::TableEngine& engine, dbt::RecordBuffer& buffer) {
  const std::int32_t count = std::min(engine.StoredRecordCount(kTable), kMaxRecords);
  for (std::int32_t n = 1; n <= count; ++n) {
    std::int32_t record = n;
    engine.LoadRecord(kTable, record, buffer);
    if (record != n) Fail("a record inside the table was clamped");
  }
}

std::uint64_t StoredSpan(dbt::TableEngine& engine) {
  std::uint64_t span = 1;
  for (int k = 1; k <= engine.FieldCount(kTable); ++k) span += engine.FieldLength(kTable, k);
  return span;
}

void CheckOnlySlotChanged(const std::vector<std::uint8_t>& before,
                          const std::vector<std::uint8_t>& after, std::uint64_t begin,
                          std::uint64_t end) {
  if (after.size() != before.size()) Fail("a store changed the file's size");
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] != after[i] && (i < begin || i >= end)) Fail("a store wrote outside its record");
  }
}

// The check sees every byte of the file, more than an open reads: what lies past the header must
// not change its verdict.
void CheckHeaderVerdict(const dbt::HeaderCheck& check, const dbt::TableOpenResult& open,
                        dbt::TableEngine& engine) {
  if (check.ok() != open.ok()) Fail("the header check and the open disagree");
  if (!check.ok()) {
    if (check.error != open.error || check.detail != open.detail)
      Fail("the header check and the open refuse for different reasons");
    return;
  }
  const dbt::TableLayout& layout = check.layout;
  if (layout.fields.fieldCount != engine.FieldCount(kTable)) Fail("field counts differ");
  if (layout.header.bytes != engine.GetStoredHeader(kTable).bytes) Fail("stored headers differ");
  if (layout.descriptors.size() != static_cast<std::size_t>(layout.fields.fieldCount) * 32)
    Fail("the descriptors are not 32 bytes a field");
  std::uint64_t end = 1;
  for (int k = 1; k <= layout.fields.fieldCount; ++k) {
    if (layout.fields.offset[static_cast<std::size_t>(k)] != end) Fail("a field does not follow");
    end += layout.fields.length[static_cast<std::size_t>(k)];
  }
  if (end != layout.fields.storedLength || end > layout.header.RecordLength())
    Fail("the fields do not fit their record");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dbt::test::MemoryFileSystem files;
  files.Put(kPath, std::vector<std::uint8_t>(data, data + size));
  dbt::TableEngine engine(files, [] { return dbt::LocalDate{2026, 12, 8}; });
  dbt::RecordBuffer buffer;
  std::vector<std::uint8_t> header;
  std::int64_t fileSize = 0;

  const dbt::TableOpenResult opened =
      engine.OpenTable(kPath, kTable, dbt::OpenAccess::Read, header, fileSize);
  CheckHeaderVerdict(dbt::CheckTableHeader(std::span<const std::uint8_t>(data, size), size), opened,
                     engine);
  if (opened.ok()) {
    LoadEveryRecord(engine, buffer);
    engine.CloseTable(kTable);
  }
  if (*files.Data(kPath) != std::vector<std::uint8_t>(data, data + size))
    Fail("reading changed the file");

  fileSize = 0;
  if (engine.OpenTableUpdate(kPath, kTable, header, fileSize) <= 0) return 0;
  const std::vector<std::uint8_t> original = *files.Data(kPath);
  const std::int32_t count = std::min(engine.StoredRecordCount(kTable), kMaxRecords);
  for (std::int32_t n = 1; n <= count; ++n) {
    std::int32_t record = n;
    engine.LoadRecord(kTable, record, buffer);
    engine.StoreRecord(kTable, record, buffer);
    if (*files.Data(kPath) != original) Fail("an unchanged record did not round-trip");
  }

  const std::uint64_t span = StoredSpan(engine);
  for (std::int32_t n = 1; n <= count; ++n) {
    std::int32_t record = n;
    engine.LoadRecord(kTable, record, buffer);
    const std::vector<std::uint8_t> before = *files.Data(kPath);
    buffer.DeletionFlag = "*";
    for (int k = 1; k <= engine.FieldCount(kTable) && k <= dbt::kMaxFields; ++k)
      buffer.FieldValues[static_cast<std::size_t>(k)] =
          std::string(300, static_cast<char>('A' + k % 26));
    engine.StoreRecord(kTable, record, buffer);
    const std::uint64_t begin = engine.RecordPosition(kTable, record);
    CheckOnlySlotChanged(before, *files.Data(kPath), begin, begin + span);
  }
  engine.CloseTable(kTable);
  return 0;
}
