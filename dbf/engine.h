#pragma once
// Tables opened under caller-chosen numeric handles, and the one record image that every
// caller shares. Operations report through results, never through exceptions.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/format.h"
#include "dbf/local_date.h"
#include "dbf/record_codec.h"
#include "dbf/table_file.h"
#include "dbf/table_open_error.h"

namespace dbt {

// A positive number that names an open table: both its open file and its DbfTable state.
using TableHandle = std::int32_t;

struct [[nodiscard]] TableOpenResult {
  std::int64_t fileSize = 0;  // 0: not open
  TableOpenError error = TableOpenError::None;
  // The reason without the file's name, which the caller gives: e.g. "record length 120 is
  // shorter than its fields (1 + 131)".
  std::string detail;
  [[nodiscard]] bool ok() const { return fileSize > 0; }
};

class TableEngine {
 public:
  explicit TableEngine(FileSystem& files = PlatformFileSystem(), DateSource today = TodayLocal);
  ~TableEngine();
  TableEngine(const TableEngine&) = delete;
  TableEngine& operator=(const TableEngine&) = delete;

  FileSystem& Files() { return files_; }
  LocalDate Today() const { return today_(); }

  // Closes every file, empties all per-handle state and the buffer.
  void InitTableEngine(RecordBuffer& buffer);

  // When fileSize (in) is not 0, the handle's file is closed first. On success fileSize and
  // headerBytes (header, descriptors, terminator) are set; on failure fileSize is 0 and the
  // handle's state and headerBytes keep what they held.
  [[nodiscard]] TableOpenResult OpenTable(const std::string& path, TableHandle handle,
                                          OpenAccess access, std::vector<std::uint8_t>& headerBytes,
                                          std::int64_t& fileSize);
  std::int64_t OpenTableRead(const std::string& path, TableHandle handle,
                             std::vector<std::uint8_t>& headerBytes, std::int64_t& fileSize);
  std::int64_t OpenTableUpdate(const std::string& path, TableHandle handle,
                               std::vector<std::uint8_t>& headerBytes, std::int64_t& fileSize);
  void CloseTable(TableHandle handle);
  [[nodiscard]] bool IsOpen(TableHandle handle) const;

  [[nodiscard]] DbfHeader GetStoredHeader(TableHandle handle) const;
  void PutStoredHeader(TableHandle handle, const DbfHeader& header);
  [[nodiscard]] int FieldCount(TableHandle handle) const;
  // The header's record count, limited at open to the whole record slots the file holds.
  [[nodiscard]] std::int32_t StoredRecordCount(TableHandle handle) const;
  // Whole record slots the file held past the header's record count when it was opened: records
  // that another program stored without counting them. They are no part of the table, so an
  // append writes over them and a compaction cuts them off.
  [[nodiscard]] std::int64_t RecordsPastCount(TableHandle handle) const;
  // The name converted to ANSI.
  [[nodiscard]] DbfField FieldDescriptor(TableHandle handle, int field) const;
  [[nodiscard]] int FieldLength(TableHandle handle, int field) const;
  [[nodiscard]] std::string FieldName(TableHandle handle, int field) const;
  [[nodiscard]] int FieldIndex(TableHandle handle, std::string_view name) const;
  std::uint64_t RecordPosition(TableHandle handle, std::int32_t& record) const;

  void LoadRecord(TableHandle handle, std::int32_t& record, RecordBuffer& buffer);
  void StoreRecord(TableHandle handle, std::int32_t& record, RecordBuffer& buffer);
  // What LoadRecord and StoreRecord do with a record's bytes, on bytes in memory: for passes
  // that move many records with one read and one write. `record` is one record as the file
  // stores it; false when it is shorter than the flag and the fields.
  [[nodiscard]] bool DecodeRecord(TableHandle handle, std::span<const std::uint8_t> record,
                                  RecordBuffer& buffer);
  [[nodiscard]] bool EncodeRecord(TableHandle handle, RecordBuffer& buffer,
                                  std::span<std::uint8_t> record);

  [[nodiscard]] std::array<std::uint8_t, kHeaderSize> BuildHeaderBytes(TableHandle handle) const;

  // Raw positioned access to the open file; count of bytes read, or false on a failed write.
  [[nodiscard]] std::size_t ReadAt(TableHandle handle, std::uint64_t offset,
                                   std::span<std::uint8_t> out);
  [[nodiscard]] std::vector<std::uint8_t> ReadAt(TableHandle handle, std::uint64_t offset,
                                                 std::size_t count);
  [[nodiscard]] bool WriteAt(TableHandle handle, std::uint64_t offset,
                             std::span<const std::uint8_t> bytes);
  // Cuts the file directly after the last byte written through this handle.
  [[nodiscard]] bool SetFileEnd(TableHandle handle);

 private:
  struct DbfTable;
  DbfTable* Find(TableHandle handle);
  const DbfTable* Find(TableHandle handle) const;
  DbfTable& Slot(TableHandle handle);

  FileSystem& files_;
  DateSource today_;
  std::vector<std::unique_ptr<DbfTable>> tables_;  // indexed by handle
};

}  // namespace dbt
