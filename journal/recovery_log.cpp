#include "journal/recovery_log.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "journal/checksum.h"

namespace dbt::journal_detail {
namespace {

constexpr std::uint8_t kFileMagic[8] = {'D', 'B', 'T', 'R', 'E', 'C', 'O', 'V'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint64_t kHeadBytes = 32;

std::uint64_t Get64(const std::uint8_t* bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= std::uint64_t{bytes[i]} << (8 * i);
  return value;
}

void Put64(std::uint8_t* bytes, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> EncodeHead(std::uint64_t slotBytes) {
  std::vector<std::uint8_t> head(kHeadBytes, 0);
  std::memcpy(head.data(), kFileMagic, 8);
  head[8] = static_cast<std::uint8_t>(kVersion);
  Put64(&head[16], slotBytes);
  Put64(&head[24], Checksum(head.data(), 24));
  return head;
}

// The slot size of a whole head; nothing when it is torn or no head of ours.
std::optional<std::uint64_t> DecodeHead(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kHeadBytes || std::memcmp(bytes.data(), kFileMagic, 8) != 0) {
    return std::nullopt;
  }
  if (Get64(&bytes[24]) != Checksum(bytes.data(), 24) || bytes[8] != kVersion) {
    return std::nullopt;
  }
  const std::uint64_t slotBytes = Get64(&bytes[16]);
  if (slotBytes == 0) return std::nullopt;
  return slotBytes;
}

std::optional<RecoveryFrame> NewestFrame(const std::vector<std::uint8_t>& bytes,
                                         std::uint64_t slotBytes) {
  std::optional<RecoveryFrame> newest;
  for (std::uint64_t slot = 0; slot < 2; ++slot) {
    const std::uint64_t begin = kHeadBytes + slot * slotBytes;
    if (begin >= bytes.size()) break;
    const std::uint64_t end = std::min<std::uint64_t>(bytes.size(), begin + slotBytes);
    const std::span<const std::uint8_t> area(bytes.data() + begin,
                                             static_cast<std::size_t>(end - begin));
    std::optional<RecoveryFrame> frame = DecodeFrame(area);
    if (frame && (!newest || frame->sequence > newest->sequence)) newest = std::move(frame);
  }
  return newest;
}

constexpr const char* kChangedSince =
    "it holds an unfinished change, but another program has changed the table since (its "
    "record count or the records the change had written differ); the table was left as it is "
    "(remove that file only if the table is known to be right)";

std::string Describe(const RecoveryFrame& frame, std::uint64_t tableSize) {
  return "it holds an unfinished change for a table of " + std::to_string(frame.sizeLow) +
         " bytes, but the table has " + std::to_string(tableSize) +
         "; the table was left as it is (remove that file only if the table is known to be "
         "right)";
}

}  // namespace

std::string RecoveryPath(const std::string& tablePath) {
  return tablePath + kRecoverySuffix;
}

RecoveryLog::RecoveryLog(FileSystem& files, const std::string& tablePath, std::uint64_t slotBytes,
                         TableFile* table)
    : files_(files), path_(RecoveryPath(tablePath)), slotBytes_(slotBytes), table_(table) {}

bool RecoveryLog::Create() {
  // Before the change's first write: the header as the change found it.
  if (table_ != nullptr) {
    std::array<std::uint8_t, 8> identity{};
    if (table_->ReadAt(4, identity) != identity.size()) return false;
    headerIdentity_ = identity;
  }
  file_ = files_.CreateOrReplace(path_);
  if (!file_) {
    createFailed_ = true;
    return false;
  }
  // The head is on the disk before any frame is, so a torn head means no step was begun.
  return file_->WriteAt(0, EncodeHead(slotBytes_)) && file_->Sync();
}

bool RecoveryLog::Log(RecoveryFrame& frame) {
  if (!file_ && !Create()) return false;
  frame.sequence = ++sequence_;
  frame.headerIdentity = headerIdentity_;
  const std::span<const std::uint8_t> encoded = SealFrame(frame);
  const std::uint64_t slot = sequence_ % 2;
  const bool logged = encoded.size() <= slotBytes_ &&
                      file_->WriteAt(kHeadBytes + slot * slotBytes_, encoded) && file_->Sync();
  UnsealFrame(frame);
  // A frame that writes the header (the last step of a change) gives the next one its bytes.
  if (logged && headerIdentity_ && frame.kind == RecoveryFrame::Kind::Writes) {
    for (const RecoveryFrame::Piece& piece : frame.pieces) {
      if (piece.offset > 4 || piece.offset + piece.size < 12) continue;
      const auto bytes = frame.BytesOf(piece).subspan(static_cast<std::size_t>(4 - piece.offset), 8);
      std::copy(bytes.begin(), bytes.end(), headerIdentity_->begin());
    }
  }
  return logged;
}

bool RecoveryLog::Commit(RecoveryFrame& frame, TableFile& table) {
  return Log(frame) && ApplyFrame(table, frame) && table.Sync();
}

bool RecoveryLog::Finish() {
  if (!file_) return true;
  file_.reset();
  return files_.RemoveFile(path_);
}

RecoveryOutcome FinishInterruptedWrite(FileSystem& files, const std::string& tablePath,
                                       TableFile& table) {
  RecoveryOutcome outcome;
  const std::string path = RecoveryPath(tablePath);
  std::vector<std::uint8_t> bytes;
  const ReadWholeResult read = files.ReadWhole(path, bytes);
  if (read == ReadWholeResult::Missing) return outcome;
  if (read == ReadWholeResult::Failed) {
    outcome.ok = false;
    outcome.problem = path + " cannot be read";
    return outcome;
  }
  const std::optional<std::uint64_t> slotBytes = DecodeHead(bytes);
  const std::optional<RecoveryFrame> frame =
      slotBytes ? NewestFrame(bytes, *slotBytes) : std::nullopt;
  if (frame) {
    const std::uint64_t size = table.Size();
    if (!frame->Fits(size)) {
      outcome.ok = false;
      outcome.problem = path + ": " + Describe(*frame, size);
      return outcome;
    }
    if (!frame->Matches(table)) {
      outcome.ok = false;
      outcome.problem = path + ": " + kChangedSince;
      return outcome;
    }
    if (!ApplyFrame(table, *frame) || !table.Sync()) {
      outcome.ok = false;
      outcome.problem = "finishing the change that " + path + " holds failed";
      return outcome;
    }
    outcome.finished = true;
  }
  if (!files.RemoveFile(path)) {
    outcome.ok = false;
    outcome.problem = path + " cannot be removed";
  }
  return outcome;
}

}  // namespace dbt::journal_detail
