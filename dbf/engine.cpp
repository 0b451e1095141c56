#include "dbf/engine.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "dbf/codepage.h"
#include "dbf/field_codec.h"
#include "util/text.h"

namespace dbt {

namespace {

// Handles index a table that grows to the largest one used; this bounds it for a wild number.
constexpr TableHandle kMaxHandle = 1 << 20;

std::string Hex(std::uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[value >> 4] + kDigits[value & 15];
}

std::string DescribeFileError(FileOpenError error) {
  switch (error) {
    case FileOpenError::Missing:
      return "no such file";
    case FileOpenError::Locked:
      return "the file is held open by another program";
    case FileOpenError::NoAccess:
      return "access denied";
    case FileOpenError::NotAFile:
      return "not a file";
    default:
      return "the file cannot be opened";
  }
}

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

TableOpenResult Refusal(TableOpenError error, const std::string& why) {
  return {0, error, why};
}

// dBase level 7 keeps the version byte 0x04 but has a 68-byte header and 48-byte field
// descriptors: read as level 3, its descriptors would give garbage fields. Its header length is
// 68 + 48 n + 1 with the terminator as its last byte, which no level-3 header length (32 n + 33,
// odd multiples never meet) can be.
bool IsLevel7(TableFile& file, std::uint8_t version, std::uint16_t headerLength,
              std::uint64_t size) {
  constexpr std::uint16_t kLevel7Base = 68 + 1;
  if (version != 0x04 || headerLength < kLevel7Base || headerLength > size) return false;
  if ((headerLength - kLevel7Base) % 48 != 0) return false;
  std::array<std::uint8_t, 1> terminator{};
  return file.ReadAt(headerLength - 1u, terminator) == 1 && terminator[0] == kHeaderTerminator;
}

}  // namespace

TableOpenError TableOpenErrorOf(FileOpenError error) {
  switch (error) {
    case FileOpenError::None:
      return TableOpenError::None;
    case FileOpenError::Missing:
      return TableOpenError::Missing;
    case FileOpenError::Locked:
      return TableOpenError::Locked;
    case FileOpenError::NoAccess:
      return TableOpenError::NoAccess;
    case FileOpenError::NotAFile:
      return TableOpenError::NotAFile;
    case FileOpenError::Other:
      break;
  }
  return TableOpenError::Other;
}

struct TableEngine::DbfTable {
  std::unique_ptr<TableFile> file;
  DbfHeader header;
  int fieldCount = 0;
  std::vector<std::uint8_t> descriptors;
  // Where each field's text starts in the record, from the descriptors at open.
  std::array<std::uint16_t, kMaxFields + 1> offset{};
  std::array<std::uint8_t, kMaxFields + 1> length{};
  std::array<char, kMaxFields + 1> type{};
  std::size_t storedLength = 1;  // flag and fields: what StoreRecord writes
  std::int64_t recordsPastCount = 0;

  // The file is ours alone while open, so its size is known without asking the system.
  std::uint64_t fileSize = 0;
  std::optional<std::uint64_t> writeEnd;
  // A record whose read failed: storing the buffer over it would put another record's texts
  // there, so that store is skipped until the record has been read.
  std::optional<std::uint64_t> unreadRecord;

  // Reused per record, so that a pass over a large table allocates once.
  std::vector<std::uint8_t> recordBytes;
  std::string convertedRecord;
  std::vector<std::uint8_t> storeBytes;
  std::string fieldText;
};

void RecordBuffer::ClearValues() {
  for (std::string& value : FieldValues) value.clear();
}

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
    return Refusal(TableOpenErrorOf(opened.error), DescribeFileError(opened.error));
  }
  auto table = std::make_unique<DbfTable>();
  table->file = std::move(opened.file);
  const std::uint64_t size = table->file->Size();
  if (size == 0) return Refusal(TableOpenError::NotDbase, "the file is empty");

  std::array<std::uint8_t, kHeaderSize> head{};
  const std::size_t got = table->file->ReadAt(0, head);
  if (got == 0) return Refusal(TableOpenError::Other, "the file cannot be read");
  if (!IsAcceptedVersion(head[0])) {
    return Refusal(TableOpenError::NotDbase,
                   "first byte " + Hex(head[0]) +
                       " is no dBase III version byte (0x03, 0x04, 0x63, 0x83, 0x8B)");
  }
  if (got < kHeaderSize) {
    return Refusal(TableOpenError::Damaged,
                   std::to_string(size) + " bytes are shorter than the 32-byte header");
  }
  table->header.bytes = head;
  const std::uint16_t headerLength = table->header.HeaderLength();
  const std::uint16_t recordLength = table->header.RecordLength();
  const int fields = FieldCountFromHeaderLength(headerLength);
  if (IsLevel7(*table->file, head[0], headerLength, size)) {
    return Refusal(TableOpenError::Unsupported,
                   "a dBase level 7 table (48-byte field descriptors), which this tool does not "
                   "read or write");
  }
  if (fields > kMaxFields) {
    return Refusal(TableOpenError::Unsupported,
                   "header length " + std::to_string(headerLength) + " gives " +
                       std::to_string(fields) + " fields; more than " + std::to_string(kMaxFields) +
                       " are not supported");
  }
  const std::size_t descriptorsEnd =
      static_cast<std::size_t>(kHeaderSize) + static_cast<std::size_t>(kDescriptorSize) * fields;
  if (descriptorsEnd > headerLength) {
    return Refusal(TableOpenError::Damaged,
                   "the " + std::to_string(fields) + " field descriptors end at byte " +
                       std::to_string(descriptorsEnd) + ", past the header length " +
                       std::to_string(headerLength));
  }
  if (headerLength > size) {
    return Refusal(TableOpenError::Damaged, "header length " + std::to_string(headerLength) +
                                                " runs past the file's " + std::to_string(size) +
                                                " bytes");
  }

  std::vector<std::uint8_t> header(headerLength);
  if (table->file->ReadAt(0, header) != header.size()) {
    return Refusal(TableOpenError::Other, "the header cannot be read");
  }
  table->fieldCount = fields;
  table->descriptors.assign(header.begin() + kHeaderSize,
                            header.begin() + static_cast<std::ptrdiff_t>(descriptorsEnd));

  std::size_t position = 1;
  for (int k = 1; k <= fields; ++k) {
    const std::uint8_t* descriptor = &table->descriptors[static_cast<std::size_t>(k - 1) * 32];
    table->type[k] = static_cast<char>(descriptor[11]);
    table->length[k] = descriptor[16];
    table->offset[k] = static_cast<std::uint16_t>(position);
    position += descriptor[16];
  }
  if (recordLength < position) {
    return Refusal(TableOpenError::Damaged, "record length " + std::to_string(recordLength) +
                                                " is shorter than its fields (1 + " +
                                                std::to_string(position - 1) + ")");
  }
  table->storedLength = position;

  // A count beyond the records the file holds would read garbage past its end and let a store
  // extend it; the slots the file really holds are what the table has.
  const std::uint64_t slots = (size - headerLength) / recordLength;
  const std::uint64_t count = std::min<std::uint64_t>(
      {table->header.RecordCount(), slots,
       static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())});
  table->header.SetRecordCount(static_cast<std::uint32_t>(count));
  table->recordsPastCount = RecordsPastCountOf(*table->file, size, headerLength, recordLength,
                                               table->header.RecordCount());
  table->fileSize = size;
  table->recordBytes.resize(recordLength);
  table->storeBytes.resize(position);

  Slot(handle) = std::move(*table);
  headerBytes = std::move(header);
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
  table->file.reset();
  table->writeEnd.reset();
  table->unreadRecord.reset();
}

bool TableEngine::IsOpen(TableHandle handle) const {
  const DbfTable* table = Find(handle);
  return table != nullptr && table->file != nullptr;
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
  return table == nullptr ? 0 : table->fieldCount;
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
  if (table == nullptr || field < 1 || field > table->fieldCount) return descriptor;
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
  if (!table->file) return;

  table->recordBytes.resize(table->header.RecordLength());
  if (table->recordBytes.size() < table->storedLength ||
      table->file->ReadAt(position, table->recordBytes) != table->recordBytes.size()) {
    table->unreadRecord = position;
    return;
  }
  if (table->unreadRecord == position) table->unreadRecord.reset();
  Decode(*table, table->recordBytes, buffer);
}

void TableEngine::StoreRecord(TableHandle handle, std::int32_t& record, RecordBuffer& buffer) {
  DbfTable* table = Find(handle);
  if (table == nullptr || StoredRecordCount(handle) <= 0) return;
  if (buffer.DeletionFlag.size() != 1) buffer.DeletionFlag = " ";
  const std::uint64_t position = RecordPosition(handle, record);
  if (!table->file || table->unreadRecord == position) return;
  // Overwrites an existing record only: never appends, never reaches past the file's end.
  if (position > table->fileSize || table->fileSize - position < table->storedLength) return;

  table->storeBytes.resize(table->storedLength);
  Encode(*table, buffer, table->storeBytes);
  WriteAt(handle, position, table->storeBytes);
}

bool TableEngine::DecodeRecord(TableHandle handle, std::span<const std::uint8_t> record,
                               RecordBuffer& buffer) {
  DbfTable* table = Find(handle);
  if (table == nullptr || record.size() < table->storedLength) return false;
  Decode(*table, record, buffer);
  return true;
}

bool TableEngine::EncodeRecord(TableHandle handle, RecordBuffer& buffer,
                               std::span<std::uint8_t> record) {
  DbfTable* table = Find(handle);
  if (table == nullptr || record.size() < table->storedLength) return false;
  if (buffer.DeletionFlag.size() != 1) buffer.DeletionFlag = " ";
  Encode(*table, buffer, record.first(table->storedLength));
  return true;
}

void TableEngine::Decode(DbfTable& table, std::span<const std::uint8_t> record,
                         RecordBuffer& buffer) {
  // Every byte of every field: the bytes of a field are its own, whatever another field holds.
  // A zero byte earlier in the record (an empty date some writers store as zeros) must not
  // leave the fields after it in OEM, or a changed path would be converted a second time when
  // stored. The tables keep zero as zero, so an unchanged field still keeps its bytes.
  std::string& text = table.convertedRecord;
  text.assign(record.begin(), record.end());
  OemToAnsiAll(text);
  const std::string_view view(text);

  LoadedRecordImage& loaded = buffer.loaded;
  loaded.stored.assign(record.begin(), record.end());
  buffer.DeletionFlag.assign(view.substr(0, 1));
  for (int k = 1; k <= table.fieldCount; ++k) {
    DecodeFieldInto(table.type[k], view.substr(table.offset[k], table.length[k]),
                    buffer.FieldValues[k]);
    loaded.display[k] = buffer.FieldValues[k];
    loaded.offset[k] = table.offset[k];
    loaded.length[k] = table.length[k];
    loaded.type[k] = table.type[k];
  }
  loaded.fieldCount = table.fieldCount;
}

// The flag and every field at its exact place in `out` (stored length bytes); a field whose
// display text the caller left as loaded keeps its stored bytes.
void TableEngine::Encode(DbfTable& table, RecordBuffer& buffer, std::span<std::uint8_t> out) {
  std::string& text = table.fieldText;
  text = buffer.DeletionFlag;
  AnsiToOemAll(text);
  out[0] = static_cast<std::uint8_t>(text[0]);

  const LoadedRecordImage& loaded = buffer.loaded;
  const int currentYear = Today().year;
  for (int k = 1; k <= table.fieldCount; ++k) {
    const std::size_t offset = table.offset[k];
    const std::size_t length = table.length[k];
    const bool unchanged = k <= loaded.fieldCount && loaded.offset[k] == offset &&
                           loaded.length[k] == length && loaded.type[k] == table.type[k] &&
                           loaded.stored.size() >= offset + length &&
                           buffer.FieldValues[k] == loaded.display[k];
    if (unchanged) {
      std::copy_n(loaded.stored.begin() + static_cast<std::ptrdiff_t>(offset), length,
                  out.begin() + static_cast<std::ptrdiff_t>(offset));
      continue;
    }
    text = EncodeField(table.type[k], buffer.FieldValues[k], currentYear);
    text.resize(length, ' ');  // a text wider than its field is cut, never spilled
    AnsiToOemAll(text);
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
  }
}

std::array<std::uint8_t, kHeaderSize> TableEngine::BuildHeaderBytes(TableHandle handle) const {
  DbfHeader header = GetStoredHeader(handle);
  header.StampDate(Today());
  return header.bytes;
}

std::size_t TableEngine::ReadAt(TableHandle handle, std::uint64_t offset,
                                std::span<std::uint8_t> out) {
  DbfTable* table = Find(handle);
  if (table == nullptr || !table->file) return 0;
  return table->file->ReadAt(offset, out);
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
  if (table == nullptr || !table->file) return false;
  if (!table->file->WriteAt(offset, bytes)) return false;
  const std::uint64_t end = offset + bytes.size();
  table->writeEnd = end;
  table->fileSize = std::max(table->fileSize, end);
  return true;
}

bool TableEngine::SetFileEnd(TableHandle handle) {
  DbfTable* table = Find(handle);
  // Without a write there is no end to cut at; cutting at offset 0 would empty the table.
  if (table == nullptr || !table->file || !table->writeEnd) return false;
  if (!table->file->Truncate(*table->writeEnd)) return false;
  table->fileSize = *table->writeEnd;
  return true;
}

}  // namespace dbt
