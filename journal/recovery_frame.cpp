#include "journal/recovery_frame.h"

#include <algorithm>
#include <cstring>

#include "dbf/format.h"
#include "journal/checksum.h"

namespace dbt::journal_detail {
namespace {

constexpr std::uint8_t kFrameMagic[8] = {'D', 'B', 'T', 'F', 'R', 'A', 'M', 'E'};
constexpr std::size_t kFixedBytes = 8 + 8 + 8 + 4 + 4 + 8 * 3 + 4;  // up to the piece count
constexpr std::size_t kPieceHead = 8 + 4;
constexpr std::size_t kCompactionBytes = 8 * 4;
// The header identity, the guard's offset, length and checksum.
constexpr std::size_t kExpectationBytes = 8 + 8 + 4 + 8;
// Flags: bit 0 the cut, bit 1 the expectations (a frame without them decodes as before, and a
// build that does not know them never reads them).
constexpr std::uint64_t kCutFlag = 1;
constexpr std::uint64_t kExpectationsFlag = 2;
constexpr std::size_t kChecksumBytes = 8;
// The records read at once when a compaction frame is replayed.
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
  std::size_t At() const { return at_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

bool ReplayCompaction(TableFile& table, const RecoveryFrame& frame) {
  const std::size_t length = static_cast<std::size_t>(frame.recordLength);
  if (length == 0 || frame.sourceEnd < frame.sourceBegin ||
      (frame.sourceEnd - frame.sourceBegin) % length != 0 ||
      frame.destination > frame.sourceBegin) {
    return false;
  }
  const std::uint64_t slots = (frame.sourceEnd - frame.sourceBegin) / length;
  // A skipping compaction names the records it leaves out, one bit per source slot; a plain one
  // leaves out the records marked in the table.
  const bool byList = frame.kind == RecoveryFrame::Kind::SkippingCompaction;
  std::span<const std::uint8_t> skipList;
  if (byList) {
    if (frame.pieces.size() != 1) return false;
    skipList = frame.BytesOf(frame.pieces.front());
    if (skipList.size() < (slots + 7) / 8) return false;
  }
  const std::size_t perRead = std::max<std::size_t>(kReplayBytes / length, 1) * length;
  std::vector<std::uint8_t> block(perRead);
  std::vector<std::uint8_t> kept;
  std::uint64_t to = frame.destination;
  std::uint64_t slot = 0;
  for (std::uint64_t from = frame.sourceBegin; from < frame.sourceEnd;) {
    const std::size_t bytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(perRead, frame.sourceEnd - from));
    if (table.ReadAt(from, std::span(block.data(), bytes)) != bytes) return false;
    kept.clear();
    for (std::size_t at = 0; at < bytes; at += length, ++slot) {
      const bool skipped =
          byList ? (skipList[slot / 8] >> (slot % 8) & 1) != 0 : block[at] == kDuplicateMark;
      if (skipped) continue;
      kept.insert(kept.end(), block.begin() + static_cast<std::ptrdiff_t>(at),
                  block.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    // The destination stays below every source not read yet.
    if (!kept.empty() && !table.WriteAt(to, kept)) return false;
    to += kept.size();
    from += bytes;
  }
  return true;
}

}  // namespace

RecoveryFrame RecoveryFrame::InPlace(std::uint64_t tableSize) {
  RecoveryFrame frame;
  frame.sizeLow = frame.sizeHigh = frame.sizeAfter = tableSize;
  return frame;
}

void RecoveryFrame::Add(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  const std::size_t begin = BeginPiece(offset);
  Append(bytes);
  EndPiece(offset, begin);
}

std::size_t RecoveryFrame::BeginPiece(std::uint64_t offset) {
  // The pieces are appended, not resized into, so that the memory kept from the last step is
  // not cleared first; only the room for the fixed fields is.
  if (data.empty()) data.resize(kFixedBytes);
  std::uint8_t head[kPieceHead];
  Put(Put(head, offset, 8), 0, 4);
  data.insert(data.end(), head, head + kPieceHead);
  return data.size();
}

void RecoveryFrame::EndPiece(std::uint64_t offset, std::size_t begin) {
  const std::size_t size = data.size() - begin;
  Put(data.data() + begin - 4, size, 4);
  pieces.push_back(Piece{offset, begin, size});
}

void RecoveryFrame::Clear() {
  pieces.clear();
  data.clear();
}

std::uint64_t FrameOverhead(std::size_t pieces) {
  return kFixedBytes + kPieceHead * pieces + kCompactionBytes + kExpectationBytes + kChecksumBytes;
}

namespace {

std::size_t SealedTail(const RecoveryFrame& frame) {
  return kCompactionBytes + (frame.headerIdentity ? kExpectationBytes : 0) + kChecksumBytes;
}

// The byte the frame writes at offset, if a piece covers it.
std::optional<std::uint8_t> WrittenByte(const RecoveryFrame& frame, std::uint64_t offset) {
  if (frame.kind != RecoveryFrame::Kind::Writes) return std::nullopt;
  std::optional<std::uint8_t> byte;
  for (const RecoveryFrame::Piece& piece : frame.pieces) {
    if (offset >= piece.offset && offset - piece.offset < piece.size) {
      byte = frame.BytesOf(piece)[static_cast<std::size_t>(offset - piece.offset)];
    }
  }
  return byte;
}

}  // namespace

bool RecoveryFrame::Matches(TableFile& table) const {
  if (!headerIdentity) return true;
  std::array<std::uint8_t, 8> stored{};
  if (table.ReadAt(4, stored) != stored.size()) return false;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == (*headerIdentity)[i]) continue;
    // A torn write of the frame's own header leaves each byte old or new.
    if (WrittenByte(*this, 4 + i) != stored[i]) return false;
  }
  if (guardLength == 0) return true;
  std::vector<std::uint8_t> held(static_cast<std::size_t>(guardLength));
  return table.ReadAt(guardOffset, held) == held.size() &&
         Checksum(held.data(), held.size()) == guardChecksum;
}

std::span<const std::uint8_t> SealFrame(RecoveryFrame& frame) {
  std::vector<std::uint8_t>& data = frame.data;
  if (data.empty()) data.resize(kFixedBytes);
  const std::uint64_t total = data.size() + SealedTail(frame);
  std::memcpy(data.data(), kFrameMagic, 8);
  std::uint8_t* at = Put(data.data() + 8, total, 8);
  at = Put(at, frame.sequence, 8);
  at = Put(at, static_cast<std::uint32_t>(frame.kind), 4);
  at = Put(at, (frame.cut ? kCutFlag : 0) | (frame.headerIdentity ? kExpectationsFlag : 0), 4);
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
  if (frame.headerIdentity) {
    std::uint8_t expectations[kExpectationBytes];
    std::memcpy(expectations, frame.headerIdentity->data(), 8);
    Put(Put(Put(expectations + 8, frame.guardOffset, 8), frame.guardLength, 4),
        frame.guardChecksum, 8);
    data.insert(data.end(), expectations, expectations + kExpectationBytes);
  }
  Put(tail, Checksum(data.data(), data.size()), 8);
  data.insert(data.end(), tail, tail + kChecksumBytes);
  return data;
}

void UnsealFrame(RecoveryFrame& frame) {
  frame.data.resize(frame.data.size() - SealedTail(frame));
}

std::optional<RecoveryFrame> DecodeFrame(std::span<const std::uint8_t> bytes) {
  // Frames of builds that noted no expectations are shorter than FrameOverhead(0).
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
  if (kind < 1 || kind > 3) return std::nullopt;
  frame.kind = static_cast<RecoveryFrame::Kind>(kind);
  frame.cut = (flags & kCutFlag) != 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::span<const std::uint8_t> piece;
    if (!fields.Get(offset, 8) || !fields.Get(size, 4) ||
        !fields.Take(static_cast<std::size_t>(size), piece)) {
      return std::nullopt;
    }
    frame.Add(offset, piece);
  }
  if (!fields.Get(frame.sourceBegin, 8) || !fields.Get(frame.sourceEnd, 8) ||
      !fields.Get(frame.destination, 8) || !fields.Get(frame.recordLength, 8)) {
    return std::nullopt;
  }
  if ((flags & kExpectationsFlag) == 0) return frame;
  std::span<const std::uint8_t> identity;
  if (!fields.Take(8, identity) || !fields.Get(frame.guardOffset, 8) ||
      !fields.Get(frame.guardLength, 4) || !fields.Get(frame.guardChecksum, 8)) {
    return std::nullopt;
  }
  frame.headerIdentity.emplace();
  std::copy(identity.begin(), identity.end(), frame.headerIdentity->begin());
  return frame;
}

bool ApplyFrame(TableFile& table, const RecoveryFrame& frame) {
  if (frame.kind != RecoveryFrame::Kind::Writes) return ReplayCompaction(table, frame);
  for (const auto& piece : frame.pieces) {
    if (!table.WriteAt(piece.offset, frame.BytesOf(piece))) return false;
  }
  return !frame.cut || table.Truncate(frame.sizeAfter);
}

}  // namespace dbt::journal_detail
