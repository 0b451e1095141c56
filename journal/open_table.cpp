#include "journal/open_table.h"

#include <algorithm>

namespace dbt::journal_detail {

ScopedTable::~ScopedTable() {
  if (open_) engine_.CloseTable(handle_);
}

TableOpenResult ScopedTable::Open(const std::string& path, OpenAccess access) {
  if (access == OpenAccess::ReadWrite) {
    const JournalResult held = session_.Begin(engine_.Files(), path);
    if (!held.ok()) return {0, held.error, held.detail};
  }
  // A size of 0 passed in: the engine must not close anything on our behalf first.
  std::int64_t fileSize = 0;
  TableOpenResult result = engine_.OpenTable(path, handle_, access, headerBytes_, fileSize);
  open_ = result.ok();
  return result;
}

bool ScopedTable::OpenExisting(const std::string& path, OpenAccess access, JournalResult& result) {
  if (!engine_.Files().Exists(path)) {
    SetMissing(result, path);
    return false;
  }
  const TableOpenResult open = Open(path, access);
  if (!open.ok()) SetOpenFailure(result, path, open);
  return open.ok();
}

namespace {
std::size_t g_blockBytes = kBlockBytes;
int g_blocksPerStep = kBlocksPerStep;
}  // namespace

int BlocksPerStep() {
  return g_blocksPerStep;
}

void SetBlocksPerStep(int blocks) {
  g_blocksPerStep = blocks;
}

void SetBlockBytes(std::size_t bytes) {
  g_blockBytes = bytes;
}

std::int32_t RecordLayout::SlotsPerBlock() const {
  if (recordLength == 0) return 1;
  const std::uint64_t slots = g_blockBytes / recordLength;
  return static_cast<std::int32_t>(std::max<std::uint64_t>(slots, 1));
}

RecordLayout LayoutOf(const TableEngine& engine, TableHandle handle) {
  const DbfHeader header = engine.GetStoredHeader(handle);
  RecordLayout layout;
  layout.headerLength = header.HeaderLength();
  layout.recordLength = header.RecordLength();
  layout.count = std::max<std::int32_t>(engine.StoredRecordCount(handle), 0);
  return layout;
}

void SetOpenFailure(JournalResult& result, const std::string& path, const TableOpenResult& open) {
  result.error = open.error == TableOpenError::None ? TableOpenError::Other : open.error;
  result.reason = open.detail;
  result.detail = NamedReason(path, open.detail);
}

void SetMissing(JournalResult& result, const std::string& path) {
  result.error = TableOpenError::Missing;
  result.reason = "no such file";
  result.detail = NamedReason(path, result.reason);
}

void SetIoFailure(JournalResult& result, const std::string& path, const std::string& what) {
  result.error = TableOpenError::Other;
  result.reason = what;
  result.detail = NamedReason(path, what);
}

void SetIoFailure(JournalResult& result, const std::string& path, const RecoveryLog& log,
                  const std::string& what) {
  if (log.DiskFull()) {
    SetIoFailure(result, path,
                 "disk full: there is no room for its recovery file " + log.Path() +
                     ", and no record is changed without one; nothing was changed and no "
                     "recovery file was left (make room on the disk and run it again)");
    return;
  }
  SetIoFailure(result, path,
               log.CouldNotCreate()
                   ? "its recovery file could not be created beside it, and no record is changed "
                     "without one (the folder must allow creating files)"
                   : what);
}

}  // namespace dbt::journal_detail
