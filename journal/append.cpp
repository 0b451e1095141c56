#include "journal/append.h"

#include <algorithm>
#include <limits>
#include <span>
#include <vector>

#include "dbf/format.h"
#include "journal/append_records.h"
#include "journal/open_table.h"
#include "util/text.h"

namespace dbt {
namespace {

using journal_detail::RecordLayout;
using journal_detail::ScopedTable;

bool IsBlank(const std::string& path) {
  return TrimNulBlank(path).empty();
}

using Descriptor = std::span<const std::uint8_t, kDescriptorSize>;

// Name (as every reader of the table sees it), type, length and decimal count.
bool SameField(Descriptor a, Descriptor b) {
  return UpperAnsi(StoredFieldName(a)) == UpperAnsi(StoredFieldName(b)) && a[11] == b[11] &&
         a[16] == b[16] && a[17] == b[17];
}

// The descriptors as the file stores them; empty when the file does not hold them all.
std::vector<std::uint8_t> StoredDescriptors(TableEngine& engine, TableHandle handle,
                                            int fieldCount) {
  const std::size_t size = static_cast<std::size_t>(fieldCount) * kDescriptorSize;
  std::vector<std::uint8_t> block = engine.ReadAt(handle, kHeaderSize, size);
  if (block.size() != size) block.clear();
  return block;
}

bool SameLayout(TableEngine& engine, TableHandle target, TableHandle source) {
  const DbfHeader t = engine.GetStoredHeader(target);
  const DbfHeader s = engine.GetStoredHeader(source);
  if (t.HeaderLength() != s.HeaderLength() || t.RecordLength() != s.RecordLength()) return false;
  // Equal header lengths give equal field counts.
  const int fieldCount = FieldCountFromHeaderLength(t.HeaderLength());
  if (fieldCount == 0) return true;
  const std::vector<std::uint8_t> a = StoredDescriptors(engine, target, fieldCount);
  const std::vector<std::uint8_t> b = StoredDescriptors(engine, source, fieldCount);
  if (a.empty() || b.empty()) return false;
  for (int k = 0; k < fieldCount; ++k) {
    const std::size_t at = static_cast<std::size_t>(k) * kDescriptorSize;
    if (!SameField(Descriptor(&a[at], kDescriptorSize), Descriptor(&b[at], kDescriptorSize)))
      return false;
  }
  return true;
}

bool IsTable(const TableOpenResult& open) {
  return open.ok() && open.fileSize > kHeaderSize;
}

// The open failed, or what opened is too short to be a table.
void SetNotATable(JournalResult& result, const std::string& path, const TableOpenResult& open) {
  if (!open.ok()) {
    journal_detail::SetOpenFailure(result, path, open);
    return;
  }
  result.error = TableOpenError::NotDbase;
  result.reason = std::to_string(open.fileSize) + " bytes is too short for a table";
  result.detail = path + ": " + result.reason;
}

// The source holds a change that a crash cut short, and it could not be finished.
void SetSourceUnfinished(JournalResult& result, const std::string& path,
                         const JournalResult& finishing) {
  result.error = finishing.error;
  result.reason = "a change to it that was cut short could not be finished" +
                  (finishing.detail.empty() ? "" : " (" + finishing.detail + ")") +
                  "; nothing appended";
  result.detail = path + ": " + result.reason;
}

// Both tables opened for reading and their layouts compared; the reason for a refusal, when
// it was an open, in result.
bool CheckCompatible(TableEngine& engine, const std::string& targetPath, TableHandle target,
                     const std::string& sourcePath, TableHandle source, JournalResult& result) {
  if (IsBlank(targetPath) || IsBlank(sourcePath)) return false;
  // One handle cannot name two open tables at once.
  if (target == source) return false;
  ScopedTable targetTable(engine, target);
  const TableOpenResult targetOpen = targetTable.Open(targetPath, OpenAccess::Read);
  if (!IsTable(targetOpen)) {
    SetNotATable(result, targetPath, targetOpen);
    return false;
  }
  ScopedTable sourceTable(engine, source);
  const TableOpenResult sourceOpen = sourceTable.Open(sourcePath, OpenAccess::Read);
  if (!IsTable(sourceOpen)) {
    SetNotATable(result, sourcePath, sourceOpen);
    return false;
  }
  return SameLayout(engine, target, source);
}

}  // namespace

bool TablesCompatible(TableEngine& engine, const std::string& targetPath, TableHandle target,
                      const std::string& sourcePath, TableHandle source) {
  JournalResult ignored;
  return CheckCompatible(engine, targetPath, target, sourcePath, source, ignored);
}

AppendResult AppendTable(TableEngine& engine, const std::string& targetPath, TableHandle target,
                         const std::string& sourcePath, TableHandle source,
                         const Progress& progress, NormalizedTail* normalized) {
  AppendResult result;
  if (normalized != nullptr) normalized->Clear();
  if (IsBlank(targetPath) || IsBlank(sourcePath)) return result;
  // The exclusive opens would refuse the second open of the same file anyway; refusing here
  // keeps the target from being opened at all, however the two paths are spelt.
  if (targetPath == sourcePath || engine.Files().SameFile(targetPath, sourcePath)) {
    result.sameTable = true;
    return result;
  }
  // Copied as it lies, the source of a change a crash cut short could hand over a record torn by
  // the crash, or one a compaction had moved and not yet cut off.
  if (const JournalResult finished = FinishCutChange(engine.Files(), sourcePath);
      !finished.ok()) {
    SetSourceUnfinished(result, sourcePath, finished);
    return result;
  }
  if (!CheckCompatible(engine, targetPath, target, sourcePath, source, result)) return result;
  result.compatible = true;

  ScopedTable targetTable(engine, target);
  const TableOpenResult targetOpen = targetTable.Open(targetPath, OpenAccess::ReadWrite);
  if (!targetOpen.ok()) {
    journal_detail::SetOpenFailure(result, targetPath, targetOpen);
    return result;
  }
  ScopedTable sourceTable(engine, source);
  const TableOpenResult sourceOpen = sourceTable.Open(sourcePath, OpenAccess::Read);
  if (!sourceOpen.ok()) {
    journal_detail::SetOpenFailure(result, sourcePath, sourceOpen);
    return result;
  }
  // Between the check and these opens either file could have been replaced.
  if (!SameLayout(engine, target, source)) {
    result.compatible = false;
    return result;
  }
  const RecordLayout to = journal_detail::LayoutOf(engine, target);
  const RecordLayout from = journal_detail::LayoutOf(engine, source);
  if (from.count == 0) return result;
  if (std::int64_t{to.count} + from.count > std::numeric_limits<std::int32_t>::max()) {
    journal_detail::SetIoFailure(result, targetPath,
                                 "the record count would exceed 2147483647; nothing appended");
    return result;
  }
  if (!journal_detail::AppendRecords(engine, target, to, source, from, targetTable.File(),
                                     targetPath, result, progress, normalized)) {
    if (normalized != nullptr) normalized->Clear();
    return result;
  }
  result.appended = from.count;
  return result;
}

}  // namespace dbt
