#include "journal/recovery_frame.h"

#include <algorithm>
#include <cstring>

#include "journal/checksum.h"

namespace dbt::journal_detail {
namespace {

constexpr std::uint8_t kFrameMagic[8] = {'D', 'B', 'T', 'F', 'R', 'A', 'M', 'E'};
constexpr std::size_t kFixedBytes = 8 + 8 + 8 + 4 + 4 + 8 * 3 + 4;  // up to the piece count
constexpr std::size_t kPieceHead = 8 + 4 + 4;
constexpr std::size_t kCompactionBytes = 8 * 4;
constexpr std::size_t kChecksumBytes = 8;
constexpr std::uint64_t kCutFlag = 1;
constexpr std::uint64_t kReplayUntouchedFlag = 2;
// The records read at once when a compaction frame is checked or replayed.
constexpr std::size_t kReplayBytes = std::size_t{1} << 20;

// Little-endian, at a place the caller has made room for.
std::uint8_t* Put(std::uint8_t* out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return out + bytes;
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Get(std::uint64_t& value, int bytes) {
    if (bytes_.size() - at_ < static_cast<std::size_t>(bytes)) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{bytes_[at_ + i]} << (8 * i);
    at_ += static_cast<std::size_t>(bytes);
    return true;
  }
  bool Take(std::size_t count, std::span<const std::uint8_t>& out) {
    if (bytes_.size() - at_ < count) return false;
    out = bytes_.subspan(at_, count);
    at_ += count;
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

std::size_t StoredBytes(std::size_t size, RecoveryFrame::Role role) {
  return role == RecoveryFrame::Role::Write ? 2 * size : size;
}

// The records a skipping compaction writes, in order, read from its source range; nothing when
// the frame is malformed or a read fails. The source lies wholly above what the step writes.
std::optional<std::vector<std::uint8_t>> CompactedRecords(TableFile& table,
                                                          const RecoveryFrame& frame) {
  const std::size_t length = static_cast<std::size_t>(frame.recordLength);
  const RecoveryFrame::Piece* list = frame.Find(RecoveryFrame::Role::List);
  if (length == 0 || list == nullptr || frame.sourceEnd < frame.sourceBegin ||
      (frame.sourceEnd - frame.sourceBegin) % length != 0 ||
      frame.destination > frame.sourceBegin) {
    return std::nullopt;
  }
  const std::uint64_t slots = (frame.sourceEnd - frame.sourceBegin) / length;
  const std::span<const std::uint8_t> skipList = frame.BytesOf(*list);
  if (skipList.size() < (slots + 7) / 8) return std::nullopt;
  const std::size_t perRead = std::max<std::size_t>(kReplayBytes / length, 1) * length;
  std::vector<std::uint8_t> block(perRead);
  std::vector<std::uint8_t> kept;
  std::uint64_t slot = 0;
  for (std::uint64_t from = frame.sourceBegin; from < frame.sourceEnd;) {
    const std::size_t bytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(perRead, frame.sourceEnd - from));
    if (table.ReadAt(from, std::span(block.data(), bytes)) != bytes) return std::nullopt;
    for (std::size_t at = 0; at < bytes; at += length, ++slot) {
      if ((skipList[slot / 8] >> (slot % 8) & 1) != 0) continue;
      kept.insert(kept.end(), block.begin() + static_cast<std::ptrdiff_t>(at),
                  block.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    from += bytes;
  }
  if (frame.destination + kept.size() > frame.sourceBegin) return std::nullopt;
  return kept;
}

// Compares what the table holds at offset with what the step found there and what it writes.
class LandingScan {
 public:
  void Compare(std::uint64_t offset, std::span<const std::uint8_t> now,
               std::span<const std::uint8_t> after, std::span<const std::uint8_t> before) {
    for (std::size_t i = 0; i < now.size() && !foreign_; ++i) {
      if (now[i] == before[i]) continue;
      if (now[i] == after[i]) {
        landed_ = true;
        continue;
      }
      foreign_ = true;
      found_ = "byte " + std::to_string(offset + i) + " holds " + std::to_string(now[i]) +
               ", where the step found " + std::to_string(before[i]) + " and writes " +
               std::to_string(after[i]);
    }
  }
  void Refuse(std::string found) {
    if (foreign_) return;
    foreign_ = true;
    found_ = std::move(found);
  }
  void Landed() { landed_ = true; }
  bool Foreign() const { return foreign_; }
  LandingCheck Result() const {
    if (foreign_) return {Landing::Foreign, found_};
    return {landed_ ? Landing::Landed : Landing::Untouched, {}};
  }

 private:
  bool landed_ = false;
  bool foreign_ = false;
  std::string found_;
};

void CheckSize(TableFile& table, const RecoveryFrame& frame, LandingScan& scan) {
  if (!frame.cut) return;
  const std::uint64_t size = table.Size();
  if (size >= frame.sizeLow && size <= frame.sizeHigh) return;
  if (size == frame.sizeAfter) {
    scan.Landed();
    return;
  }
  scan.Refuse("the table has " + std::to_string(size) + " bytes, the step was written for " +
              std::to_string(frame.sizeLow) +
              (frame.sizeHigh != frame.sizeLow ? " to " + std::to_string(frame.sizeHigh) : "") +
              " (its record count or length was changed since)");
}

}  // namespace

void RecoveryFrame::Add(std::uint64_t offset, std::span<const std::uint8_t> after,
                        std::span<const std::uint8_t> before) {
  const std::size_t begin = BeginPiece(offset);
  Append(after);
  Append(before);
  Put(data.data() + begin - 8, after.size(), 4);
  pieces.push_back(Piece{offset, begin, after.size(), Role::Write});
}

void RecoveryFrame::AddOnly(std::uint64_t offset, std::span<const std::uint8_t> bytes, Role role) {
  const std::size_t begin = BeginPiece(offset);
  Append(bytes);
  Put(Put(data.data() + begin - 8, bytes.size(), 4), static_cast<std::uint32_t>(role), 4);
  pieces.push_back(Piece{offset, begin, bytes.size(), role});
}

std::size_t RecoveryFrame::BeginPiece(std::uint64_t offset) {
  // The pieces are appended, not resized into, so that the memory kept from the last step is
  // not cleared first; only the room for the fixed fields is.
  if (data.empty()) data.resize(kFixedBytes);
  std::uint8_t head[kPieceHead];
  Put(Put(Put(head, offset, 8), 0, 4), static_cast<std::uint32_t>(Role::Write), 4);
  data.insert(data.end(), head, head + kPieceHead);
  return data.size();
}

bool RecoveryFrame::EndPiece(std::uint64_t offset, std::size_t begin, TableFile& table) {
  const std::size_t size = data.size() - begin;
  Put(data.data() + begin - 8, size, 4);
  data.resize(begin + 2 * size);
  const std::span<std::uint8_t> before(data.data() + begin + size, size);
  if (table.ReadAt(offset, before) != size) return false;
  pieces.push_back(Piece{offset, begin, size, Role::Write});
  return true;
}

void RecoveryFrame::Clear() {
  pieces.clear();
  data.clear();
}

const RecoveryFrame::Piece* RecoveryFrame::Find(Role role) const {
  for (const Piece& piece : pieces) {
    if (piece.role == role) return &piece;
  }
  return nullptr;
}

std::uint64_t FrameOverhead(std::size_t pieces) {
  return kFixedBytes + kPieceHead * pieces + kCompactionBytes + kChecksumBytes;
}

std::span<const std::uint8_t> SealFrame(RecoveryFrame& frame) {
  std::vector<std::uint8_t>& data = frame.data;
  if (data.empty()) data.resize(kFixedBytes);
  const std::uint64_t total = data.size() + kCompactionBytes + kChecksumBytes;
  std::memcpy(data.data(), kFrameMagic, 8);
  std::uint8_t* at = Put(data.data() + 8, total, 8);
  at = Put(at, frame.sequence, 8);
  at = Put(at, static_cast<std::uint32_t>(frame.kind), 4);
  at = Put(at, (frame.cut ? kCutFlag : 0) | (frame.replayUntouched ? kReplayUntouchedFlag : 0), 4);
  at = Put(at, frame.sizeLow, 8);
  at = Put(at, frame.sizeHigh, 8);
  at = Put(at, frame.sizeAfter, 8);
  Put(at, frame.pieces.size(), 4);
  std::uint8_t tail[kCompactionBytes + kChecksumBytes];
  std::uint8_t* end = Put(tail, frame.sourceBegin, 8);
  end = Put(end, frame.sourceEnd, 8);
  end = Put(end, frame.destination, 8);
  Put(end, frame.recordLength, 8);
  data.insert(data.end(), tail, tail + kCompactionBytes);
  Put(tail, Checksum(data.data(), data.size()), 8);
  data.insert(data.end(), tail, tail + kChecksumBytes);
  return data;
}

void UnsealFrame(RecoveryFrame& frame) {
  frame.data.resize(frame.data.size() - kCompactionBytes - kChecksumBytes);
}

std::optional<RecoveryFrame> DecodeFrame(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kShortest = kFixedBytes + kCompactionBytes + kChecksumBytes;
  if (bytes.size() < kShortest || std::memcmp(bytes.data(), kFrameMagic, 8) != 0) {
    return std::nullopt;
  }
  Reader reader(bytes.subspan(8));
  std::uint64_t total = 0;
  if (!reader.Get(total, 8) || total > bytes.size() || total < kShortest) {
    return std::nullopt;
  }
  const std::span<const std::uint8_t> whole = bytes.first(static_cast<std::size_t>(total));
  std::uint64_t checksum = 0;
  Reader tail(whole.subspan(whole.size() - kChecksumBytes));
  if (!tail.Get(checksum, 8) || checksum != Checksum(whole.data(), whole.size() - 8)) {
    return std::nullopt;
  }
  // Everything between the length and the checksum, and nothing beyond the frame.
  Reader fields(whole.subspan(16, whole.size() - 16 - kChecksumBytes));

  RecoveryFrame frame;
  std::uint64_t kind = 0;
  std::uint64_t flags = 0;
  std::uint64_t count = 0;
  if (!fields.Get(frame.sequence, 8) || !fields.Get(kind, 4) || !fields.Get(flags, 4) ||
      !fields.Get(frame.sizeLow, 8) || !fields.Get(frame.sizeHigh, 8) ||
      !fields.Get(frame.sizeAfter, 8) || !fields.Get(count, 4)) {
    return std::nullopt;
  }
  if (kind != 1 && kind != 3) return std::nullopt;
  frame.kind = static_cast<RecoveryFrame::Kind>(kind);
  frame.cut = (flags & kCutFlag) != 0;
  frame.replayUntouched = (flags & kReplayUntouchedFlag) != 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t role = 0;
    std::span<const std::uint8_t> stored;
    if (!fields.Get(offset, 8) || !fields.Get(size, 4) || !fields.Get(role, 4) || role > 3) {
      return std::nullopt;
    }
    const auto pieceRole = static_cast<RecoveryFrame::Role>(role);
    if (!fields.Take(StoredBytes(static_cast<std::size_t>(size), pieceRole), stored)) {
      return std::nullopt;
    }
    const std::size_t length = static_cast<std::size_t>(size);
    if (pieceRole == RecoveryFrame::Role::Write) {
      frame.Add(offset, stored.first(length), stored.subspan(length));
    } else {
      frame.AddOnly(offset, stored, pieceRole);
    }
  }
  if (!fields.Get(frame.sourceBegin, 8) || !fields.Get(frame.sourceEnd, 8) ||
      !fields.Get(frame.destination, 8) || !fields.Get(frame.recordLength, 8)) {
    return std::nullopt;
  }
  return frame;
}

LandingCheck CheckLanding(TableFile& table, const RecoveryFrame& frame) {
  LandingScan scan;
  CheckSize(table, frame, scan);
  std::vector<std::uint8_t> now;
  const auto read = [&](std::uint64_t offset, std::size_t size) {
    now.resize(size);
    if (table.ReadAt(offset, now) == size) return true;
    scan.Refuse("the table ends before byte " + std::to_string(offset + size) +
                ", which the step writes");
    return false;
  };
  if (frame.kind == RecoveryFrame::Kind::SkippingCompaction) {
    const RecoveryFrame::Piece* before = frame.Find(RecoveryFrame::Role::Before);
    const std::optional<std::vector<std::uint8_t>> kept = CompactedRecords(table, frame);
    if (!kept || before == nullptr || before->size != kept->size()) {
      scan.Refuse("the records the step moves cannot be read where it found them");
    } else if (read(frame.destination, kept->size())) {
      scan.Compare(frame.destination, now, *kept, frame.BeforeOf(*before));
    }
    return scan.Result();
  }
  for (const RecoveryFrame::Piece& piece : frame.pieces) {
    if (piece.role != RecoveryFrame::Role::Write || scan.Foreign()) continue;
    if (read(piece.offset, piece.size)) {
      scan.Compare(piece.offset, now, frame.BytesOf(piece), frame.BeforeOf(piece));
    }
  }
  return scan.Result();
}

bool ApplyFrame(TableFile& table, const RecoveryFrame& frame) {
  if (frame.kind == RecoveryFrame::Kind::SkippingCompaction) {
    const std::optional<std::vector<std::uint8_t>> kept = CompactedRecords(table, frame);
    return kept && (kept->empty() || table.WriteAt(frame.destination, *kept));
  }
  for (const auto& piece : frame.pieces) {
    if (piece.role != RecoveryFrame::Role::Write && piece.role != RecoveryFrame::Role::Unchecked) {
      continue;
    }
    if (!table.WriteAt(piece.offset, frame.BytesOf(piece))) return false;
  }
  return !frame.cut || table.Truncate(frame.sizeAfter);
}

}  // namespace dbt::journal_detail
