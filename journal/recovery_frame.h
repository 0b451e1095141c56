#pragma once
// One step of a change to a table, as the recovery file beside the table keeps it until the
// table holds it: the bytes to write (or the records to move) and the cut, with the table's
// length before and after so that a frame is never replayed onto a file it does not fit.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dbf/table_file.h"

namespace dbt::journal_detail {

struct RecoveryFrame {
  enum class Kind : std::uint32_t {
    Writes = 1,      // pieces written, then (cut) the table cut to sizeAfter
    Compaction = 2,  // the live records of the source range moved to destination, in order
    // The same, leaving out the records its one piece lists: bit i (of byte i / 8, lowest bit
    // first) set for the source range's slot i. The table holds no marks for them.
    SkippingCompaction = 3,
  };
  // Bytes to write at offset; they lie in `data`, from begin on, so that a block's many small
  // changes cost no allocation each. data holds the frame as it is encoded: room for the fixed
  // fields first, then each piece's head and bytes, so that logging it copies nothing.
  struct Piece {
    std::uint64_t offset = 0;
    std::size_t begin = 0;
    std::size_t size = 0;
  };

  Kind kind = Kind::Writes;
  std::uint64_t sequence = 0;
  // The table may be replayed onto when its length is within [sizeLow, sizeHigh]; at sizeAfter
  // the frame has been applied already (and applying it again changes nothing).
  std::uint64_t sizeLow = 0;
  std::uint64_t sizeHigh = 0;
  std::uint64_t sizeAfter = 0;
  bool cut = false;
  std::vector<Piece> pieces;
  std::vector<std::uint8_t> data;
  std::uint64_t sourceBegin = 0;
  std::uint64_t sourceEnd = 0;
  std::uint64_t destination = 0;
  std::uint64_t recordLength = 0;
  // What the table must hold besides a length that fits, so that a frame is never replayed onto
  // a table another program changed since (a record stored into the room an append set aside, a
  // copy of the table put back): bytes 4 to 11 of its header (record count, header length,
  // record length) as the change found them, each byte either that or the one the frame writes
  // there itself; and the checksum of the guardLength bytes the steps before left at
  // guardOffset. Files of builds that did not note them have neither, and are replayed on their
  // length alone.
  std::optional<std::array<std::uint8_t, 8>> headerIdentity;
  std::uint64_t guardOffset = 0;
  std::uint64_t guardLength = 0;  // 0: no guard
  std::uint64_t guardChecksum = 0;

  // A frame that changes bytes in place only: the table keeps its length.
  static RecoveryFrame InPlace(std::uint64_t tableSize);
  void Add(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // A piece whose bytes are appended as they come, so that they need no buffer of their own:
  // BeginPiece gives where its bytes begin in data; until EndPiece they are no piece yet.
  std::size_t BeginPiece(std::uint64_t offset);
  void Append(std::span<const std::uint8_t> bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  void EndPiece(std::uint64_t offset, std::size_t begin);
  // No pieces, the memory kept for the next step's.
  void Clear();
  std::span<const std::uint8_t> BytesOf(const Piece& piece) const {
    return std::span(data).subspan(piece.begin, piece.size);
  }
  bool Fits(std::uint64_t tableSize) const {
    return (tableSize >= sizeLow && tableSize <= sizeHigh) || tableSize == sizeAfter;
  }
  // The header identity and the guard, read from the table; false also when a read fails.
  [[nodiscard]] bool Matches(TableFile& table) const;
};

// The frame's bytes, ending in a checksum over all that precedes it, written into the frame's
// own data and valid until UnsealFrame, which the frame needs before it is changed or applied
// again.
[[nodiscard]] std::span<const std::uint8_t> SealFrame(RecoveryFrame& frame);
void UnsealFrame(RecoveryFrame& frame);
// A frame read back; nothing when the bytes are torn, cut short or no frame at all.
[[nodiscard]] std::optional<RecoveryFrame> DecodeFrame(std::span<const std::uint8_t> bytes);
// Bytes an encoded frame takes besides its pieces' bytes and its guard.
[[nodiscard]] std::uint64_t FrameOverhead(std::size_t pieces);

// Writes what the frame says into the table; running it twice gives the same file. The caller
// syncs the table afterwards.
[[nodiscard]] bool ApplyFrame(TableFile& table, const RecoveryFrame& frame);

}  // namespace dbt::journal_detail
