// Arbitrary bytes as a journal: every maintenance operation (the path change of all records and
// of one, with and without sff; the normalising pass; the whole duplicate deletion; the append
// of a second table derived from the input, followed by the deletion) must leave exactly the
// bytes that the literal record-by-record reference leaves, and report the same figures.
//
// Input: four option bytes, then the table file.
//   0: bit 0 sff, bit 1 code pages 437/1252 instead of 850/1252, bits 2-4 the target folder,
//      bits 5-7 the block size of the passes
//   1: the record of the one-record path change
//   2: how the second table is derived from the first
//   3: a byte that derivation writes into the second table; its bits 4-5 also give the blocks
//      of a compaction step (1 to 4), bits 6-7 the removal's store of kept records (none, 300
//      bytes, 3000 bytes or the usual)

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dbf/codepage.h"
#include "dbf/engine.h"
#include "journal/append.h"
#include "journal/duplicate_groups.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/path_change.h"
#include "reference/reference_operations.h"
#include "tests/support/memory_file_system.h"
#include "util/text.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr dbt::TableHandle kTarget = 1;
constexpr dbt::TableHandle kSource = 2;
const std::string kTablePath = "journal.dbf";
const std::string kSourcePath = "other.dbf";
// The reference marks pairs one open at a time; beyond this it would slow every input down.
constexpr std::int32_t kMaxRecords = 100;

const char* const kFolders[] = {
    "X:\\",
    "E:\\Neu\\",
    "X:\\\xC4nderung\\B\xFCro\\",  // ANSI 1252: Änderung, Büro
    "",
    "C:\\Ein sehr langer Ordnername\\der kaum in ein Feld passt\\",
    "\\\\server\\fax\\",
    "D:",
    "F:\\a.b\\",
};

dbt::LocalDate Today() {
  return {2026, 12, 8};
}

struct Options {
  bool sff = false;
  std::string folder;
  std::size_t blockBytes = dbt::journal_detail::kBlockBytes;
  std::int32_t record = 1;
  std::uint8_t derive = 0;
  std::uint8_t value = 0;
  std::size_t keptBytes = dbt::journal_detail::kKeptRecordBytes;
  int blocksPerStep = dbt::journal_detail::kBlocksPerStep;
};

Options ReadOptions(const std::uint8_t* data) {
  Options o;
  o.sff = (data[0] & 1) != 0;
  dbt::SetActiveCodePages((data[0] & 2) != 0 ? dbt::CodePagePair::Oem437Ansi1252
                                             : dbt::CodePagePair::Oem850Ansi1252);
  o.folder = kFolders[(data[0] >> 2) & 7];
  const std::size_t blocks[] = {1, 7, 64, 100, 333, 1024, 4096, dbt::journal_detail::kBlockBytes};
  o.blockBytes = blocks[data[0] >> 5];
  o.record = data[1];
  o.derive = data[2];
  o.value = data[3];
  // The removal's store of kept records and the compaction's steps as small as tests make them,
  // so that its reads of records it could not keep and its short steps meet every table.
  const std::size_t kept[] = {0, 300, 3000, dbt::journal_detail::kKeptRecordBytes};
  o.keptBytes = kept[o.value >> 6];
  o.blocksPerStep = 1 + ((o.value >> 4) & 3);
  return o;
}

[[noreturn]] void Fail(const std::string& what, const Bytes& ours, const Bytes& literal) {
  std::size_t at = 0;
  while (at < ours.size() && at < literal.size() && ours[at] == literal[at]) ++at;
  std::fprintf(stderr, "operations fuzzer: %s: files differ at byte %zu (sizes %zu and %zu)\n",
               what.c_str(), at, ours.size(), literal.size());
  std::abort();
}

[[noreturn]] void FailFigure(const std::string& what, long long ours, long long literal) {
  std::fprintf(stderr, "operations fuzzer: %s: %lld against the reference's %lld\n", what.c_str(),
               ours, literal);
  std::abort();
}

// Two file systems with the same files: one for the operation, one for its reference.
struct Pair {
  dbt::test::MemoryFileSystem oursFiles;
  dbt::test::MemoryFileSystem literalFiles;
  dbt::TableEngine ours{oursFiles, Today};
  dbt::TableEngine literal{literalFiles, Today};
  dbt::RecordBuffer buffer;

  Pair(const Bytes& table, const Bytes* source) {
    oursFiles.Put(kTablePath, table);
    literalFiles.Put(kTablePath, table);
    if (source != nullptr) {
      oursFiles.Put(kSourcePath, *source);
      literalFiles.Put(kSourcePath, *source);
    }
  }
  void Compare(const std::string& what) {
    const Bytes& a = *oursFiles.Data(kTablePath);
    const Bytes& b = *literalFiles.Data(kTablePath);
    if (a != b) Fail(what, a, b);
    if (oursFiles.Data(kSourcePath) != nullptr &&
        *oursFiles.Data(kSourcePath) != *literalFiles.Data(kSourcePath)) {
      Fail(what + " (the source)", *oursFiles.Data(kSourcePath), *literalFiles.Data(kSourcePath));
    }
  }
};

void CheckAllPaths(const Bytes& table, const Options& o) {
  Pair pair(table, nullptr);
  dbt::PathRule rule;
  rule.targetFolder = o.folder;
  rule.renameToSff = o.sff;
  int pathField = 0;
  const dbt::PathChangeResult result =
      dbt::ChangeAllPaths(pair.ours, kTablePath, kTarget, rule, pair.buffer, pathField);
  const dbt::reference::AllPathsResult literal =
      dbt::reference::ChangeAllPaths(pair.literal, kTablePath, kTarget, o.folder, o.sff);
  pair.Compare("path change of all records");
  if (!literal.written) return;
  if (result.changed != literal.changed)
    FailFigure("records changed", result.changed, literal.changed);
  if (result.tooLong != literal.tooLong)
    FailFigure("records too long", static_cast<long long>(result.tooLong.size()),
               static_cast<long long>(literal.tooLong.size()));
}

// As the window and the command-line tool do it: the proposed path from the loaded record,
// then the store step.
void CheckOnePath(const Bytes& table, const Options& o) {
  Pair pair(table, nullptr);
  dbt::PathRule rule;
  rule.targetFolder = o.folder;
  rule.renameToSff = o.sff;
  std::vector<std::uint8_t> header;
  std::int64_t size = 0;
  if (pair.ours.OpenTableRead(kTablePath, kTarget, header, size) <= 0) return;
  const int pathField = pair.ours.FieldIndex(kTarget, "DATEI");
  std::int32_t record = o.record;
  std::string newPath;
  if (pathField > 0 && pair.ours.StoredRecordCount(kTarget) > 0) {
    pair.ours.LoadRecord(kTarget, record, pair.buffer);
    newPath =
        dbt::BuildNewPath(dbt::TrimTrailingNulBlank(pair.buffer.FieldValues[pathField]), rule);
  }
  pair.ours.CloseTable(kTarget);
  if (pathField == 0) return;
  const dbt::PathStoreResult stored = dbt::StoreCurrentPath(pair.ours, kTablePath, kTarget, record,
                                                            pathField, newPath, pair.buffer);
  const int literal =
      dbt::reference::ChangeOnePath(pair.literal, kTablePath, kTarget, o.record, o.folder, o.sff);
  pair.Compare("path change of one record");
  if ((stored.stored ? 1 : 0) != literal) FailFigure("one record stored", stored.stored, literal);
}

void CheckNormalize(const Bytes& table) {
  Pair pair(table, nullptr);
  const dbt::NormalizeResult result =
      dbt::NormalizeRecords(pair.ours, kTablePath, kTarget, pair.buffer);
  const std::int32_t literal = dbt::reference::NormalizeRecords(pair.literal, kTablePath, kTarget);
  pair.Compare("normalising pass");
  if (result.ok() != (literal >= 0)) FailFigure("normalising pass ran", result.ok(), literal >= 0);
}

void CheckDedupe(Pair& pair, const std::string& what) {
  const dbt::DedupeResult result =
      dbt::DeleteDuplicates(pair.ours, kTablePath, kTarget, pair.buffer);
  const std::int32_t literal = dbt::reference::DeleteDuplicates(pair.literal, kTablePath, kTarget);
  pair.Compare(what);
  if (result.ok() && result.removed != literal) FailFigure(what, result.removed, literal);
}

// A second table of the same layout or nearly: the records changed, reordered or recounted, a
// name's case or a field's width changed.
Bytes Derive(const Bytes& table, const Options& o) {
  Bytes source = table;
  if (source.size() < 32) return source;
  const std::size_t headerLength = source[8] | (source[9] << 8);
  const std::size_t recordLength = source[10] | (source[11] << 8);
  switch (o.derive % 6) {
    case 0:
      break;  // a copy: every appended record is a duplicate
    case 1:   // one byte of the records changed
      if (source.size() > headerLength) {
        source[headerLength + o.value % (source.size() - headerLength)] ^= o.derive;
      }
      break;
    case 2:  // the records after the first
      if (recordLength > 0 && source.size() > headerLength + recordLength) {
        source.erase(source.begin() + static_cast<std::ptrdiff_t>(headerLength),
                     source.begin() + static_cast<std::ptrdiff_t>(headerLength + recordLength));
        const std::uint32_t count = source[4] | (source[5] << 8) | (source[6] << 16) |
                                    (static_cast<std::uint32_t>(source[7]) << 24);
        if (count > 0) {
          const std::uint32_t less = count - 1;
          for (int i = 0; i < 4; ++i) source[4 + i] = static_cast<std::uint8_t>(less >> (8 * i));
        }
      }
      break;
    case 3:  // another record count
      source[4] = o.value;
      source[5] = source[6] = source[7] = 0;
      break;
    case 4:  // a field name in lower case: still compatible
      if (source.size() > 33 && source[32] >= 'A' && source[32] <= 'Z') source[32] += 32;
      break;
    default:  // a field one wider: not compatible
      if (source.size() > 48) ++source[48];
      break;
  }
  return source;
}

void CheckAppend(const Bytes& table, const Options& o) {
  const Bytes source = Derive(table, o);
  Pair pair(table, &source);
  const dbt::AppendResult result =
      dbt::AppendTable(pair.ours, kTablePath, kTarget, kSourcePath, kSource);
  const int literal =
      dbt::reference::AppendTable(pair.literal, kTablePath, kTarget, kSourcePath, kSource);
  pair.Compare("append");
  if (result.Code() != literal) FailFigure("append's result", result.Code(), literal);
  CheckDedupe(pair, "duplicate deletion after the append");

  // As the tools run it: the copies written normalised, the normalising pass over the rest.
  Pair tools(table, &source);
  dbt::NormalizedTail tail;
  (void)dbt::AppendTable(tools.ours, kTablePath, kTarget, kSourcePath, kSource, {}, &tail);
  (void)dbt::reference::AppendTable(tools.literal, kTablePath, kTarget, kSourcePath, kSource);
  const dbt::DedupeResult deleted =
      dbt::DeleteDuplicates(tools.ours, kTablePath, kTarget, tools.buffer, {}, &tail);
  const std::int32_t literalDeleted =
      dbt::reference::DeleteDuplicates(tools.literal, kTablePath, kTarget);
  tools.Compare("append with normalised copies, then the deletion");
  if (deleted.ok() && deleted.removed != literalDeleted) {
    FailFigure("the deletion after the append with normalised copies", deleted.removed,
               literalDeleted);
  }
}

bool SmallEnough(const Bytes& table) {
  dbt::test::MemoryFileSystem files;
  files.Put(kTablePath, table);
  dbt::TableEngine engine(files, Today);
  std::vector<std::uint8_t> header;
  std::int64_t size = 0;
  if (engine.OpenTableRead(kTablePath, kTarget, header, size) <= 0) return true;
  return engine.StoredRecordCount(kTarget) <= kMaxRecords;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const Options options = ReadOptions(data);
  const Bytes table(data + 4, data + size);
  if (!SmallEnough(table)) return 0;
  dbt::journal_detail::SetBlockBytes(options.blockBytes);
  dbt::journal_detail::SetKeptRecordBytes(options.keptBytes);
  dbt::journal_detail::SetBlocksPerStep(options.blocksPerStep);

  CheckAllPaths(table, options);
  CheckOnePath(table, options);
  CheckNormalize(table);
  {
    Pair pair(table, nullptr);
    CheckDedupe(pair, "duplicate deletion");
  }
  CheckAppend(table, options);
  return 0;
}
