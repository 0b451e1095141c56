// The recovery file as it lies on the disk. A file left by a crash is finished by whichever build
// opens the table next, so its layout and its checksum must not drift with the code that writes
// it: these bytes are laid out by hand, not by the encoder under test.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "journal/checksum.h"
#include "journal/recovery_log.h"
#include "journal/table_session.h"
#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"

namespace dbt::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using journal_detail::Checksum;

void Put(Bytes& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutText(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}

constexpr std::uint64_t kSlotBytes = 4096;

// Head, the empty first slot, and in the second slot the frame of sequence 1 that writes bytes
// at offset over before, in place; both slots' room set aside.
Bytes RecoveryFile(std::uint64_t offset, const Bytes& bytes, const Bytes& before) {
  Bytes file;
  PutText(file, "DBTRECOV");
  Put(file, 2, 8);  // version 2, then zeros
  Put(file, kSlotBytes, 8);
  Put(file, Checksum(file.data(), file.size()), 8);
  file.resize(32 + kSlotBytes, 0);

  Bytes frame;
  PutText(frame, "DBTFRAME");
  const std::uint64_t total =
      8 + 8 + 8 + 4 + 4 + 3 * 8 + 4 + (8 + 4 + 4 + 2 * bytes.size()) + 4 * 8 + 8;
  Put(frame, total, 8);
  Put(frame, 1, 8);                                      // sequence
  Put(frame, 1, 4);                                      // kind: pieces written
  Put(frame, 0, 4);                                      // no cut
  for (int i = 0; i < 3; ++i) Put(frame, 0, 8);          // size low, high, after: no cut
  Put(frame, 1, 4);                                      // one piece
  Put(frame, offset, 8);
  Put(frame, bytes.size(), 4);
  Put(frame, 0, 4);  // bytes to write, then the bytes they write over
  frame.insert(frame.end(), bytes.begin(), bytes.end());
  frame.insert(frame.end(), before.begin(), before.end());
  for (int i = 0; i < 4; ++i) Put(frame, 0, 8);  // no compaction
  Put(frame, Checksum(frame.data(), frame.size()), 8);
  EXPECT_EQ(frame.size(), total);
  file.insert(file.end(), frame.begin(), frame.end());
  file.resize(32 + 2 * kSlotBytes, 0);
  return file;
}

// The checksum of every head and frame: a faster record hash must be a function of its own.
TEST(RecoveryFormat, ChecksumIsTheOneEveryEarlierBuildWrote) {
  Bytes input;
  for (int i = 0; i < 45; ++i) input.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  EXPECT_EQ(Checksum(input.data(), 45), 0xfdc8df1f6bf83ea9ull);
  EXPECT_EQ(Checksum(input.data(), 5), 0xfd586889642ade96ull);
}

TEST(RecoveryFormat, StepIsLoggedInTheLayoutItIsReadBackFrom) {
  MemoryFileSystem files;
  const std::string path = "journal.dbf";
  DbfBuilder journal = NumberedJournalLayout();
  journal.Record(JournalRow("20260101", "a", "1", "busy"));
  const Bytes table = journal.Bytes();
  const Bytes nines(8, '9');
  const Bytes date = {'2', '0', '2', '6', '0', '1', '0', '1'};
  const Bytes expected = RecoveryFile(kNumberedJournalHeader + 1, nines, date);

  files.Put(path, table);
  {
    journal_detail::RecoveryLog log(files, path, kSlotBytes);
    journal_detail::RecoveryFrame frame;
    frame.Add(kNumberedJournalHeader + 1, nines, date);
    ASSERT_TRUE(log.Log(frame));
  }
  ASSERT_NE(files.Data(journal_detail::RecoveryPath(path)), nullptr);
  EXPECT_EQ(*files.Data(journal_detail::RecoveryPath(path)), expected);

  // The same bytes left by a crash that tore the step after its first byte are finished by the
  // next open.
  files.Put(journal_detail::RecoveryPath(path), expected);
  (*files.Data(path))[kNumberedJournalHeader + 1] = '9';
  {
    TableSession session;
    ASSERT_TRUE(session.Begin(files, path).ok());
  }
  Bytes finished = table;
  std::copy(nines.begin(), nines.end(), finished.begin() + kNumberedJournalHeader + 1);
  EXPECT_EQ(*files.Data(path), finished);
  EXPECT_EQ(files.Data(journal_detail::RecoveryPath(path)), nullptr);
}

}  // namespace
}  // namespace dbt::test
