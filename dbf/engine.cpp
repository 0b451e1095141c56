#include "dbf/engine.h"

#include <algorithm>

#include "dbf/codepage.h"
#include "dbf/engine_table.h"
#include "dbf/table_header.h"
#include "util/text.h"

namespace dbt {

namespace {

// Handles index a table that grows to the largest one used; this bounds it for a wild number.
constexpr TableHandle kMaxHandle = 1 << 20;

// Whole slots after the counted records; a final 0x1A ends the records and is none itself
// (with one-byte records it would otherwise count as one).
std::int64_t RecordsPastCountOf(TableFile& file, std::uint64_t size, std::uint64_t headerLength,
                                std::uint64_t recordLength, std::uint64_t count) {
  std::uint64_t end = size;
  std::array<std::uint8_t, 1> last{};
  if (end > headerLength && file.ReadAt(end - 1, last) == 1 && last[0] == kEndOfFile) --end;
  const std::uint64_t slots = (end - headerLength) / recordLength;
  return slots > count ? static_cast<std::int64_t>(slots - count) : 0;
}

TableOpenResult Refusal(TableOpenError error, std::string why) {
  return {0, error, std::move(why)};
}

// The file's first bytes, as many as the header checks want: the first 32, then the rest of the
// header where the file holds it. Fewer when a read falls short.
std::vector<std::uint8_t> ReadHead(TableFile& file, std::uint64_t size) {
  if (size == 0) return {};
  std::vector<std::uint8_t> head(kHeaderSize);
  head.resize(file.ReadAt(0, head));
  const std::size_t have = head.size();
  const std::size_t wanted = HeaderBytesWanted(head, size);
  if (wanted <= have) return head;
  head.resize(wanted);
  head.resize(have + file.ReadAt(have, std::span<std::uint8_t>(head).subspan(have)));
  return head;
}

}  // namespace

TableEngine::TableEngine(FileSystem& files, DateSource today)
    : files_(files), today_(std::move(today)) {}

TableEngine::~TableEngine() = default;

TableEngine::DbfTable* TableEngine::Find(TableHandle handle) {
  if (handle <= 0 || static_cast<std::size_t>(handle) >= tables_.size()) return nullptr;
  return tables_[static_cast<std::size_t>(handle)].get();
}

const TableEngine::DbfTable* TableEngine::Find(TableHandle handle) const {
  if (handle <= 0 || static_cast<std::size_t>(handle) >= tables_.size()) return nullptr;
  return tables_[static_cast<std::size_t>(handle)].get();
}

TableEngine::DbfTable& TableEngine::Slot(TableHandle handle) {
  const auto index = static_cast<std::size_t>(handle);
  if (index >= tables_.size()) tables_.resize(index + 1);
  if (!tables_[index]) tables_[index] = std::make_unique<DbfTable>();
  return *tables_[index];
}

void TableEngine::InitTableEngine(RecordBuffer& buffer) {
  tables_.clear();
  buffer.DeletionFlag.clear();
  buffer.ClearValues();
  buffer.loaded = LoadedRecordImage{};
}

TableOpenResult TableEngine::OpenTable(const std::string& path, TableHandle handle,
                                       OpenAccess access, std::vector<std::uint8_t>& headerBytes,
                                       std::int64_t& fileSize) {
  if (fileSize != 0) CloseTable(handle);
  fileSize = 0;
  if (handle <= 0 || handle > kMaxHandle) {
    return Refusal(TableOpenError::Other, "handle " + std::to_string(handle) + " is outside 1 to " +
                                              std::to_string(kMaxHandle));
  }

  FileOpenResult opened = files_.OpenExclusive(path, access);
  if (!opened.file) {
    return Refusal(TableOpenErrorOf(opened.error), FileOpenErrorText(opened.error));
  }
  TableFile& file = *opened.file;
  const std::uint64_t size = file.Size();
  std::vector<std::uint8_t> head = ReadHead(file, size);
  HeaderCheck check = CheckTableHeader(head, size);
  if (!check.ok()) return Refusal(check.error, std::move(check.detail));

  TableLayout& layout = check.layout;
  auto table = std::make_unique<DbfTable>();
  table->header = layout.header;
  table->descriptors = std::move(layout.descriptors);
  table->codec = RecordCodec(layout.fields);
  const std::uint16_t headerLength = layout.header.HeaderLength();
  const std::uint16_t recordLength = layout.header.RecordLength();
  table->recordsPastCount =
      RecordsPastCountOf(file, size, headerLength, recordLength, table->header.RecordCount());
  table->file = TrackedFile(std::move(opened.file), size);
  table->recordBytes.resize(recordLength);
  table->storeBytes.resize(table->StoredLength());

  Slot(handle) = std::move(*table);
  head.resize(headerLength);
  headerBytes = std::move(head);
  fileSize = static_cast<std::int64_t>(size);
  return {fileSize, TableOpenError::None, {}};
}

std::int64_t TableEngine::OpenTableRead(const std::string& path, TableHandle handle,
                                        std::vector<std::uint8_t>& headerBytes,
                                        std::int64_t& fileSize) {
  return OpenTable(path, handle, OpenAccess::Read, headerBytes, fileSize).fileSize;
}

std::int64_t TableEngine::OpenTableUpdate(const std::string& path, TableHandle handle,
                                          std::vector<std::uint8_t>& headerBytes,
                                          std::int64_t& fileSize) {
  return OpenTable(path, handle, OpenAccess::ReadWrite, headerBytes, fileSize).fileSize;
}

void TableEngine::CloseTable(TableHandle handle) {
  DbfTable* table = Find(handle);
  if (table == nullptr) return;
  table->file.Close();
  table->unreadRecord.reset();
}

bool TableEngine::IsOpen(TableHandle handle) const {
  const DbfTable* table = Find(handle);
  return table != nullptr && table->file.IsOpen();
}

DbfHeader TableEngine::GetStoredHeader(TableHandle handle) const {
  const DbfTable* table = Find(handle);
  return table == nullptr ? DbfHeader{} : table->header;
}

void TableEngine::PutStoredHeader(TableHandle handle, const DbfHeader& header) {
  if (handle <= 0 || handle > kMaxHandle) return;
  Slot(handle).header = header;
}

int TableEngine::FieldCount(TableHandle handle) const {
  const DbfTable* table = Find(handle);
  return table == nullptr ? 0 : table->codec.Fields().fieldCount;
}

std::int32_t TableEngine::StoredRecordCount(TableHandle handle) const {
  return static_cast<std::int32_t>(GetStoredHeader(handle).RecordCount());
}

std::int64_t TableEngine::RecordsPastCount(TableHandle handle) const {
  const DbfTable* table = Find(handle);
  return table == nullptr ? 0 : table->recordsPastCount;
}

DbfField TableEngine::FieldDescriptor(TableHandle handle, int field) const {
  DbfField descriptor;
  const DbfTable* table = Find(handle);
  if (table == nullptr || field < 1 || field > table->codec.Fields().fieldCount) return descriptor;
  std::copy_n(table->descriptors.begin() + static_cast<std::ptrdiff_t>(field - 1) * 32, 32,
              descriptor.bytes.begin());
  std::string name = descriptor.RawName();
  OemToAnsi(name);
  std::copy(name.begin(), name.end(), descriptor.bytes.begin());
  descriptor.bytes[name.size()] = 0;
  return descriptor;
}

int TableEngine::FieldLength(TableHandle handle, int field) const {
  return FieldDescriptor(handle, field).Length();
}

std::string TableEngine::FieldName(TableHandle handle, int field) const {
  return TrimTrailingNulBlank(FieldDescriptor(handle, field).RawName());
}

int TableEngine::FieldIndex(TableHandle handle, std::string_view name) const {
  const std::string key = UpperAnsi(TrimTrailingNulBlank(name));
  const int fields = FieldCount(handle);
  for (int k = 1; k <= fields; ++k) {
    if (UpperAnsi(FieldName(handle, k)) == key) return k;
  }
  return 0;
}

std::array<std::uint8_t, kHeaderSize> TableEngine::BuildHeaderBytes(TableHandle handle) const {
  DbfHeader header = GetStoredHeader(handle);
  header.StampDate(Today());
  return header.bytes;
}

}  // namespace dbt
