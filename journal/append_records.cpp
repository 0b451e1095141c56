#include "journal/append_records.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "dbf/format.h"
#include "journal/record_blocks.h"
#include "journal/record_hash.h"
#include "journal/record_rewrites.h"
#include "journal/recovery_log.h"

namespace dbt::journal_detail {
namespace {

// Puts the target back as it was: its old length and the bytes the copy wrote over.
bool RollBack(TableFile& file, const RecoveryFrame& undo, RecoveryLog& log) {
  // The file goes only once the table it put back is on the disk.
  return ApplyFrame(file, undo) && file.Sync() && log.Finish();
}

// The copies as the normalising pass leaves records (the target's rewrite, as the pass will use
// it), hashed as it hashes them while they are in memory.
void NormalizeCopies(RecordBlocks& blocks, const NormalizeRecordRewrite& normalize,
                     std::int32_t firstSlot, RecordHashes& hashes) {
  for (std::int32_t k = 0; k < blocks.Slots(); ++k) {
    const std::span<std::uint8_t> record = blocks.Record(k);
    (void)normalize.Apply(record);
    hashes.push_back(HashAfterFlag(record, firstSlot + k));
  }
}

bool CopyBlocks(TableEngine& engine, TableHandle target, const RecordLayout& to, TableHandle source,
                const RecordLayout& from, const Progress& progress, bool& readFailed,
                NormalizedTail* normalized) {
  std::optional<NormalizeRecordRewrite> normalize;
  if (normalized != nullptr) {
    normalize.emplace(NormalizeRecordRewrite::Of(engine, target));
    normalized->hashes.reserve(static_cast<std::size_t>(from.count));
  }
  RecordBlocks blocks(engine, source, from);
  while (blocks.Advance()) {
    if (!blocks.Read()) {
      readFailed = true;
      return false;
    }
    if (normalize) {
      NormalizeCopies(blocks, *normalize, to.count + blocks.First(), normalized->hashes);
    }
    if (!engine.WriteAt(target, to.SlotOffset(std::int64_t{to.count} + blocks.First()),
                        blocks.Bytes())) {
      return false;
    }
    if (progress) progress(blocks.End(), from.count);
  }
  return true;
}

}  // namespace

// The log first holds how to undo the copy (the old length and the bytes behind the last
// record), then the room is reserved and the records are copied into slots that no header
// counts yet; once they are on the disk, the end marker, the new count and the cut are one
// logged step. An interrupted copy is rolled back on the next open, a finished one completed.
bool AppendRecords(TableEngine& engine, TableHandle target, const RecordLayout& to,
                   TableHandle source, const RecordLayout& from, TableFile& file,
                   const std::string& targetPath, AppendResult& result, const Progress& progress,
                   NormalizedTail* normalized) {
  const std::uint64_t original = file.Size();
  const std::uint64_t begin = to.SlotOffset(to.count);
  const std::uint64_t end = to.SlotOffset(std::int64_t{to.count} + from.count) + 1;
  std::vector<std::uint8_t> tail;
  if (original > begin) tail = engine.ReadAt(target, begin, original - begin);
  if (begin > original || tail.size() != original - begin) {
    SetIoFailure(result, targetPath, "the end of the table could not be read; nothing appended");
    return false;
  }
  std::array<std::uint8_t, kHeaderSize> storedHeader{};
  if (file.ReadAt(0, storedHeader) != storedHeader.size()) {
    SetIoFailure(result, targetPath, "the header could not be read; nothing appended");
    return false;
  }
  RecoveryLog log(engine.Files(), targetPath,
                  FrameOverhead(3) + tail.size() + 4 * kHeaderSize + 2);
  // Undoing puts back the bytes past the counted records, which the copy writes over, in a
  // table that still counts what it counted: the header must hold what it held.
  RecoveryFrame undo;
  undo.cut = true;
  undo.replayUntouched = true;
  undo.sizeLow = original;
  undo.sizeHigh = std::max(original, end);
  undo.sizeAfter = original;
  undo.Add(0, storedHeader, storedHeader);
  if (!tail.empty()) undo.AddOnly(begin, tail, RecoveryFrame::Role::Unchecked);
  if (!log.Log(undo)) {
    (void)log.Finish();
    result.diskFull = log.DiskFull();
    SetIoFailure(result, targetPath, log,
                 "the recovery file beside it could not be written; nothing appended");
    return false;
  }

  const ReserveResult room = file.Reserve(end);
  if (room != ReserveResult::Reserved) {
    (void)RollBack(file, undo, log);
    result.diskFull = room == ReserveResult::DiskFull;
    SetIoFailure(result, targetPath,
                 result.diskFull ? "disk full; nothing appended, the table is as it was"
                                 : "no room could be set aside; nothing appended");
    return false;
  }
  bool readFailed = false;
  if (!CopyBlocks(engine, target, to, source, from, progress, readFailed, normalized) ||
      !file.Sync()) {
    const bool undone = RollBack(file, undo, log);
    SetIoFailure(result, targetPath,
                 std::string(readFailed ? "the records to append could not be read"
                                        : "writing the appended records failed") +
                     (undone ? "; nothing appended" : "; the next open puts the table back"));
    return false;
  }

  DbfHeader header = engine.GetStoredHeader(target);
  header.SetRecordCount(static_cast<std::uint32_t>(to.count + from.count));
  engine.PutStoredHeader(target, header);
  std::uint8_t copiedEnd[1] = {0};
  if (file.ReadAt(end - 1, copiedEnd) != 1) {
    const bool undone = RollBack(file, undo, log);
    SetIoFailure(result, targetPath,
                 std::string("the appended records could not be read back") +
                     (undone ? "; nothing appended" : "; the next open puts the table back"));
    return false;
  }
  // Completing is the one way on once the copy is on the disk: nothing but the copy leaves the
  // table this long with these bytes behind its records.
  RecoveryFrame finish;
  const std::uint8_t endMarker[1] = {kEndOfFile};
  finish.Add(end - 1, endMarker, copiedEnd);
  finish.Add(0, engine.BuildHeaderBytes(target), storedHeader);
  finish.cut = true;
  finish.replayUntouched = true;
  finish.sizeLow = finish.sizeHigh = file.Size();
  finish.sizeAfter = end;
  if (!log.Commit(finish, file) || !log.Finish()) {
    SetIoFailure(result, targetPath,
                 "the header could not be written; the next open completes the append");
    return false;
  }
  if (normalized != nullptr) normalized->first = to.count;
  return true;
}

}  // namespace dbt::journal_detail
