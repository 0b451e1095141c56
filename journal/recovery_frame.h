#pragma once
// One step of a change to a table, as the recovery file beside the table keeps it until the
// table holds it: the bytes to write (or the records to move), the bytes they write over, and,
// for a step that sets the table's end, its length before and after.
//
// What a replay may write rests on the bytes the step writes over: a crash leaves each of them
// either as it was before the step or as the step writes it (a write torn at any byte), so a
// table that shows any other byte there is not the one the step was written for (another program
// changed it, or a copy of it was put back), and a table that shows only the bytes from before
// never got the step at all.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dbf/table_file.h"

namespace dbt::journal_detail {

struct RecoveryFrame {
  enum class Kind : std::uint32_t {
    Writes = 1,  // pieces written in place; with cut, the table then cut to sizeAfter
    // The records of the source range moved down to destination in order, leaving out those its
    // List piece names: bit i (of byte i / 8, lowest bit first) for the source range's slot i.
    SkippingCompaction = 3,
  };
  enum class Role : std::uint32_t {
    Write = 0,      // bytes to write, followed by as many bytes they write over
    Unchecked = 1,  // bytes to write past the counted records, whatever lies there now
    List = 2,       // the records a skipping compaction leaves out
    Before = 3,     // the bytes a skipping compaction writes over
  };
  // Bytes at offset; they lie in `data`, from begin on, so that a block's many small changes
  // cost no allocation each. data holds the frame as it is encoded: room for the fixed fields
  // first, then each piece's head and bytes, so that logging it copies nothing.
  struct Piece {
    std::uint64_t offset = 0;
    std::size_t begin = 0;
    std::size_t size = 0;
    Role role = Role::Write;
  };

  Kind kind = Kind::Writes;
  std::uint64_t sequence = 0;
  // A cut frame sets the record count and the table's length: it is replayed only onto a table
  // whose length is within [sizeLow, sizeHigh], or sizeAfter once the cut was made.
  bool cut = false;
  std::uint64_t sizeLow = 0;
  std::uint64_t sizeHigh = 0;
  std::uint64_t sizeAfter = 0;
  // Replayed also when the table still shows every byte from before it: the steps of an append,
  // which put the table back or complete it, the only ways to a table that counts what it holds.
  bool replayUntouched = false;
  std::vector<Piece> pieces;
  std::vector<std::uint8_t> data;
  std::uint64_t sourceBegin = 0;
  std::uint64_t sourceEnd = 0;
  std::uint64_t destination = 0;
  std::uint64_t recordLength = 0;

  // after replaces before at offset (both of one length).
  void Add(std::uint64_t offset, std::span<const std::uint8_t> after,
           std::span<const std::uint8_t> before);
  void AddOnly(std::uint64_t offset, std::span<const std::uint8_t> bytes, Role role);
  // A piece whose bytes are appended as they come, so that they need no buffer of their own:
  // BeginPiece gives where its bytes begin in data; until EndPiece they are no piece yet.
  std::size_t BeginPiece(std::uint64_t offset);
  void Append(std::span<const std::uint8_t> bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  // The piece's bytes end here; the bytes they write over are read from the table behind them.
  [[nodiscard]] bool EndPiece(std::uint64_t offset, std::size_t begin, TableFile& table);
  // No pieces, the memory kept for the next step's.
  void Clear();
  std::span<const std::uint8_t> BytesOf(const Piece& piece) const {
    return std::span(data).subspan(piece.begin, piece.size);
  }
  std::span<const std::uint8_t> BeforeOf(const Piece& piece) const {
    const std::size_t at = piece.role == Role::Write ? piece.begin + piece.size : piece.begin;
    return std::span(data).subspan(at, piece.size);
  }
  // The first piece of a role, or null.
  const Piece* Find(Role role) const;
};

// The frame's bytes, ending in a checksum over all that precedes it, written into the frame's
// own data and valid until UnsealFrame, which the frame needs before it is changed or applied
// again.
[[nodiscard]] std::span<const std::uint8_t> SealFrame(RecoveryFrame& frame);
void UnsealFrame(RecoveryFrame& frame);
// A frame read back; nothing when the bytes are torn, cut short or no frame at all.
[[nodiscard]] std::optional<RecoveryFrame> DecodeFrame(std::span<const std::uint8_t> bytes);
// Bytes an encoded frame takes besides its pieces' bytes.
[[nodiscard]] std::uint64_t FrameOverhead(std::size_t pieces);

// How much of a step the table shows.
enum class Landing {
  Untouched,  // every byte it writes still holds its value from before the step
  Landed,     // some or all of them hold the step's own, the rest their value from before
  Foreign,    // a byte holds neither, or the length does not fit: not the table it was for
};
struct [[nodiscard]] LandingCheck {
  Landing landing = Landing::Foreign;
  std::string found;  // for Foreign: what the table holds instead, for people
};
// Reads the table where the frame writes; a failed read counts as Foreign.
LandingCheck CheckLanding(TableFile& table, const RecoveryFrame& frame);

// Writes what the frame says into the table; running it twice gives the same file. The caller
// syncs the table afterwards.
[[nodiscard]] bool ApplyFrame(TableFile& table, const RecoveryFrame& frame);

}  // namespace dbt::journal_detail
