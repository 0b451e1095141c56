#include "reference/reference_dedupe.h"

#include <vector>

#include "dbf/format.h"
#include "util/text.h"

namespace dbt::reference {
namespace {

struct Layout {
  std::uint64_t h = 0;
  std::uint64_t r = 0;
  std::int32_t n = 0;
};

Layout LayoutOf(TableEngine& engine, TableHandle table) {
  const DbfHeader header = engine.GetStoredHeader(table);
  return {header.HeaderLength(), header.RecordLength(), engine.StoredRecordCount(table)};
}

}  // namespace

std::int32_t ReferenceMarkDuplicates(TableEngine& engine, const std::string& path,
                                     TableHandle table) {
  if (!engine.Files().Exists(path)) return 0;
  std::vector<std::uint8_t> headerBytes;
  std::int64_t size = 0;
  if (engine.OpenTableRead(path, table, headerBytes, size) == 0) return 0;
  const Layout layout = LayoutOf(engine, table);
  std::vector<std::vector<std::uint8_t>> records(static_cast<std::size_t>(layout.n) + 1);
  std::vector<int> done(static_cast<std::size_t>(layout.n) + 1, 0);
  for (std::int32_t i = 1; i <= layout.n; ++i) {
    std::int32_t n = i;
    const std::uint64_t at = engine.RecordPosition(table, n) + 1;
    records[i] = engine.ReadAt(table, at, static_cast<std::size_t>(layout.r - 1));
  }
  engine.CloseTable(table);

  std::int32_t count = 0;
  for (std::int32_t i = 1; i <= layout.n; ++i) {
    if (done[i] == 1) continue;
    bool matched = false;
    for (std::int32_t j = i + 1; j <= layout.n; ++j) {
      if (done[j] == 1 || records[i] != records[j]) continue;
      done[j] = 1;
      ++count;
      matched = true;
      if (!engine.Files().Exists(path)) continue;
      size = 0;
      if (engine.OpenTableUpdate(path, table, headerBytes, size) == 0) continue;
      std::int32_t n = j;
      const std::uint8_t mark[1] = {kDuplicateMark};
      // Literal: a failed write is not looked at; the tests compare what reached the file.
      (void)engine.WriteAt(table, engine.RecordPosition(table, n), mark);
      engine.CloseTable(table);
    }
    if (matched) done[i] = 1;
  }
  return count;
}

int ReferencePackMarked(TableEngine& engine, const std::string& path, TableHandle table) {
  if (TrimNulBlank(path).empty() || table == 0) return 0;
  std::vector<std::uint8_t> headerBytes;
  std::int64_t size = 0;
  if (engine.OpenTableUpdate(path, table, headerBytes, size) == 0) return 0;
  const Layout layout = LayoutOf(engine, table);
  auto slot = [&](std::int64_t k) {
    return layout.h + static_cast<std::uint64_t>(k - 1) * layout.r;
  };
  std::int32_t removed = 0;
  std::int32_t i = 1;
  while (i <= layout.n - removed) {
    const std::vector<std::uint8_t> flag = engine.ReadAt(table, slot(i), 1);
    if (!flag.empty() && flag[0] == kDuplicateMark) {
      ++removed;
      for (std::int32_t j = i; j <= layout.n - removed; ++j) {
        const std::vector<std::uint8_t> next =
            engine.ReadAt(table, slot(j + 1), static_cast<std::size_t>(layout.r));
        (void)engine.WriteAt(table, slot(j), next);
      }
    } else {
      ++i;
    }
  }
  const std::int32_t kept = layout.n - removed;
  const std::uint8_t end[1] = {kEndOfFile};
  // Literal: write results are not looked at; the tests compare what reached the file.
  (void)engine.WriteAt(table, slot(kept + 1), end);
  (void)engine.SetFileEnd(table);
  DbfHeader header = engine.GetStoredHeader(table);
  header.SetRecordCount(static_cast<std::uint32_t>(kept));
  engine.PutStoredHeader(table, header);
  (void)engine.WriteAt(table, 0, engine.BuildHeaderBytes(table));
  engine.CloseTable(table);
  return 1;
}

}  // namespace dbt::reference
