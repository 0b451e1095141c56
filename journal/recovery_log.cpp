#include "journal/recovery_log.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "journal/checksum.h"

namespace dbt::journal_detail {
namespace {

constexpr std::uint8_t kFileMagic[8] = {'D', 'B', 'T', 'R', 'E', 'C', 'O', 'V'};
constexpr std::uint32_t kVersion = 2;
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

std::optional<RecoveryFrame> NewestFrame(const std::vector<std::uint8_t>& bytes) {
  const std::optional<std::uint64_t> slotBytes = DecodeHead(bytes);
  if (!slotBytes) return std::nullopt;
  std::optional<RecoveryFrame> newest;
  for (std::uint64_t slot = 0; slot < 2; ++slot) {
    const std::uint64_t begin = kHeadBytes + slot * *slotBytes;
    if (begin >= bytes.size()) break;
    const std::uint64_t end = std::min<std::uint64_t>(bytes.size(), begin + *slotBytes);
    const std::span<const std::uint8_t> area(bytes.data() + begin,
                                             static_cast<std::size_t>(end - begin));
    std::optional<RecoveryFrame> frame = DecodeFrame(area);
    if (frame && (!newest || frame->sequence > newest->sequence)) newest = std::move(frame);
  }
  return newest;
}

std::string ForeignText(const std::string& path, const std::string& found) {
  return path +
         ": it holds a step of a change that was cut short, but the table does not show that "
         "step (" +
         found +
         "): another program has changed the table since, or another file was put in its "
         "place; the table was left as it is. If the table is right as it is, remove " +
         path +
         "; if not, put back the copy of the table from before that change and remove it";
}

}  // namespace

std::string RecoveryPath(const std::string& canonicalTable) {
  return canonicalTable + kRecoverySuffix;
}

std::string RecoveryPathOf(FileSystem& files, const std::string& tablePath) {
  return RecoveryPath(files.CanonicalPath(tablePath));
}

RecoveryLog::RecoveryLog(FileSystem& files, const std::string& tablePath, std::uint64_t slotBytes)
    : files_(files), path_(RecoveryPathOf(files, tablePath)), slotBytes_(slotBytes) {}

bool RecoveryLog::Create() {
  file_ = files_.CreateOrReplace(path_);
  if (!file_) {
    createFailed_ = true;
    return false;
  }
  // The room of both slots first: a full disk is found before any step, not halfway through.
  const ReserveResult room = file_->Reserve(kHeadBytes + 2 * slotBytes_);
  if (room != ReserveResult::Reserved) {
    file_.reset();
    diskFull_ = room == ReserveResult::DiskFull;
    (void)files_.RemoveFile(path_);
    return false;
  }
  // The head is on the disk before any frame is, so a torn head means no step was begun.
  return file_->WriteAt(0, EncodeHead(slotBytes_)) && file_->Sync();
}

bool RecoveryLog::Log(RecoveryFrame& frame) {
  if (!file_ && !Create()) return false;
  frame.sequence = ++sequence_;
  const std::span<const std::uint8_t> encoded = SealFrame(frame);
  const std::uint64_t slot = sequence_ % 2;
  const bool logged = encoded.size() <= slotBytes_ &&
                      file_->WriteAt(kHeadBytes + slot * slotBytes_, encoded) && file_->Sync();
  UnsealFrame(frame);
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

PendingCheck InspectRecovery(FileSystem& files, const std::string& recoveryPath, TableFile& table) {
  std::vector<std::uint8_t> bytes;
  const ReadWholeResult read = files.ReadWhole(recoveryPath, bytes);
  if (read == ReadWholeResult::Missing) return {};
  if (read == ReadWholeResult::Failed) return {PendingStep::Unreadable, {}};
  const std::optional<RecoveryFrame> frame = NewestFrame(bytes);
  if (!frame) return {};
  LandingCheck landing = CheckLanding(table, *frame);
  switch (landing.landing) {
    case Landing::Foreign:
      return {PendingStep::Foreign, std::move(landing.found)};
    case Landing::Untouched:
      if (!frame->replayUntouched) return {PendingStep::Untouched, {}};
      [[fallthrough]];
    case Landing::Landed:
      break;
  }
  return {PendingStep::Replay, {}};
}

RecoveryOutcome FinishInterruptedWrite(FileSystem& files, const std::string& recoveryPath,
                                       TableFile& table) {
  RecoveryOutcome outcome;
  const PendingCheck pending = InspectRecovery(files, recoveryPath, table);
  if (pending.step == PendingStep::None && !files.Exists(recoveryPath)) return outcome;
  if (pending.step == PendingStep::Unreadable || pending.step == PendingStep::Foreign) {
    outcome.ok = false;
    outcome.problem = pending.step == PendingStep::Unreadable
                          ? recoveryPath + " cannot be read"
                          : ForeignText(recoveryPath, pending.found);
    return outcome;
  }
  if (pending.step == PendingStep::Replay) {
    std::vector<std::uint8_t> bytes;
    const std::optional<RecoveryFrame> frame =
        files.ReadWhole(recoveryPath, bytes) == ReadWholeResult::Read ? NewestFrame(bytes)
                                                                      : std::nullopt;
    if (!frame || !ApplyFrame(table, *frame) || !table.Sync()) {
      outcome.ok = false;
      outcome.problem = "finishing the change that " + recoveryPath + " holds failed";
      return outcome;
    }
    outcome.finished = true;
  }
  if (!files.RemoveFile(recoveryPath)) {
    outcome.ok = false;
    outcome.problem = recoveryPath + " cannot be removed";
  }
  return outcome;
}

}  // namespace dbt::journal_detail
