#include "dbf/engine.h"
#include "dbf/engine_table.h"

namespace dbt {

std::uint64_t TableEngine::RecordPosition(TableHandle handle, std::int32_t& record) const {
  const DbfHeader header = GetStoredHeader(handle);
  const std::int64_t first = header.HeaderLength();
  const std::int64_t length = header.RecordLength();
  const std::int64_t count = static_cast<std::int32_t>(header.RecordCount());
  const std::int64_t offset = first + length * (static_cast<std::int64_t>(record) - 1);
  if (offset < first) {
    record = 1;
    return static_cast<std::uint64_t>(first);
  }
  if (offset > first + length * (count - 1)) {
    if (count <= 0) return static_cast<std::uint64_t>(first);
    record = static_cast<std::int32_t>(count);
    return static_cast<std::uint64_t>(first + length * (count - 1));
  }
  return static_cast<std::uint64_t>(offset);
}

void TableEngine::LoadRecord(TableHandle handle, std::int32_t& record, RecordBuffer& buffer) {
  DbfTable* table = Find(handle);
  if (table == nullptr || StoredRecordCount(handle) <= 0) return;
  const std::uint64_t position = RecordPosition(handle, record);
  if (!table->file.IsOpen()) return;

  table->recordBytes.resize(table->header.RecordLength());
  if (table->recordBytes.size() < table->StoredLength() ||
      table->file.ReadAt(position, table->recordBytes) != table->recordBytes.size()) {
    table->unreadRecord = position;
    return;
  }
  if (table->unreadRecord == position) table->unreadRecord.reset();
  table->codec.Decode(table->recordBytes, buffer);
}

void TableEngine::StoreRecord(TableHandle handle, std::int32_t& record, RecordBuffer& buffer) {
  DbfTable* table = Find(handle);
  if (table == nullptr || StoredRecordCount(handle) <= 0) return;
  if (buffer.DeletionFlag.size() != 1) buffer.DeletionFlag = " ";
  const std::uint64_t position = RecordPosition(handle, record);
  if (!table->file.IsOpen() || table->unreadRecord == position) return;
  // Overwrites an existing record only: never appends, never reaches past the file's end.
  const std::uint64_t size = table->file.Size();
  if (position > size || size - position < table->StoredLength()) return;

  table->storeBytes.resize(table->StoredLength());
  table->codec.Encode(buffer, Today().year, table->storeBytes);
  // The store gives no result (the window stays silent); a failed write shows at the next load.
  (void)table->file.WriteAt(position, table->storeBytes);
}

bool TableEngine::DecodeRecord(TableHandle handle, std::span<const std::uint8_t> record,
                               RecordBuffer& buffer) {
  DbfTable* table = Find(handle);
  if (table == nullptr || record.size() < table->StoredLength()) return false;
  table->codec.Decode(record, buffer);
  return true;
}

bool TableEngine::EncodeRecord(TableHandle handle, RecordBuffer& buffer,
                               std::span<std::uint8_t> record) {
  DbfTable* table = Find(handle);
  if (table == nullptr || record.size() < table->StoredLength()) return false;
  if (buffer.DeletionFlag.size() != 1) buffer.DeletionFlag = " ";
  table->codec.Encode(buffer, Today().year, record.first(table->StoredLength()));
  return true;
}

std::size_t TableEngine::ReadAt(TableHandle handle, std::uint64_t offset,
                                std::span<std::uint8_t> out) {
  DbfTable* table = Find(handle);
  return table == nullptr ? 0 : table->file.ReadAt(offset, out);
}

std::vector<std::uint8_t> TableEngine::ReadAt(TableHandle handle, std::uint64_t offset,
                                              std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  bytes.resize(ReadAt(handle, offset, std::span<std::uint8_t>(bytes)));
  return bytes;
}

bool TableEngine::WriteAt(TableHandle handle, std::uint64_t offset,
                          std::span<const std::uint8_t> bytes) {
  DbfTable* table = Find(handle);
  return table != nullptr && table->file.WriteAt(offset, bytes);
}

bool TableEngine::SetFileEnd(TableHandle handle) {
  DbfTable* table = Find(handle);
  return table != nullptr && table->file.CutAfterLastWrite();
}

}  // namespace dbt
