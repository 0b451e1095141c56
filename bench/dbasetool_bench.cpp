// Times the maintenance operations on generated journals and prints one figure per line:
// "name value unit", each command the fastest of three runs, also as a ratio to the block limit
// of the same run and with the fdatasync barriers it asked for. Usage: dbasetool-bench [records]
// [folder] [quick|lookup]; with "quick" the literal duplicate deletion (minutes) and the document
// lookups are left out, with "lookup" only the lookups of check and relocate --find are timed.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/child_run.h"
#include "bench/counting_file_system.h"
#include "bench/document_check.h"
#include "bench/io_limits.h"
#include "bench/journal_generator.h"
#include "bench/timing.h"
#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/path_change.h"
#include "reference/reference_dedupe.h"

namespace {

using namespace dbt;
using namespace dbt::bench;

// The benchmark's journals: no record flagged deleted, the recipient spelt without umlaut, as
// the journals of its earlier figures were.
void WriteJournal(const std::string& path, std::int64_t count, double duplicateShare,
                  std::uint64_t seed) {
  WriteGeneratedJournal(path, {count, duplicateShare, 0.0, seed, false});
}

// Every command's files: a child counts in its own copy and reports the count with its time.
CountingFileSystem files;

// Runs of each command; its figures are those of the fastest, as the block limit's are.
constexpr int kRuns = 3;

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t count = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const std::string folder = argc > 2 ? argv[2] : "/tmp/dbasetool-bench";
  const bool quick = argc > 3 && std::string(argv[3]) == "quick";
  std::filesystem::create_directories(folder);
  const double need = 5.6 * static_cast<double>(count) * kGeneratedRecordLength + 64e6;
  if (static_cast<double>(std::filesystem::space(folder).available) < need) {
    std::fprintf(stderr, "dbasetool-bench: %s: needs %.0f MB free\n", folder.c_str(), need / 1e6);
    return 1;
  }
  const std::string table = folder + "/journal.dbf";
  const std::string other = folder + "/other.dbf";
  if (argc > 3 && std::string(argv[3]) == "lookup") {
    CheckFigures(table, folder, count);
    std::filesystem::remove(table);
    return 0;
  }
  Print("records", static_cast<double>(count), "records");
  Print("record_length", kGeneratedRecordLength, "bytes");

  // The children are forked while this process is small: a child starts with its parent's peak.
  const long baseline = ChildPeakKiB([] {});
  Print("memory_budget", 64.0 + 40.0 * static_cast<double>(count) / 1048576.0, "MiB");

  // Every run of a command starts from a copy of the same generated table.
  const std::string journal10 = folder + "/journal-10.dbf";
  const std::string journal50 = folder + "/journal-50.dbf";
  const std::string source = folder + "/source.dbf";
  const std::string appendedTable = folder + "/appended.dbf";
  const auto copyOf = [&](const std::string& from) {
    return [&, from] {
      std::filesystem::copy_file(from, table, std::filesystem::copy_options::overwrite_existing);
    };
  };
  WriteJournal(journal10, count, 0.10, 1);
  const Limit limit = BlockLimit(table, copyOf(journal10));
  Print("block_limit", limit.seconds, "s");
  Print("block_limit_cpu", limit.cpuSeconds, "s");
  const Limit warm = BlockLimit(table);
  Print("block_limit_warm", warm.seconds, "s");
  const double floor = IoFloor(table, count);
  Print("io_floor", floor, "s");
  Print("io_floor_vs_block_limit", floor / limit.seconds, "x");
  const double blockFloor = BlockFloor(table, count);
  Print("io_floor_1mib_blocks_1_fdatasync", blockFloor, "s");

  WriteJournal(journal50, count, 0.50, 1);
  WriteJournal(source, count / 2, 0.10, 2);

  PathRule rule;
  rule.targetFolder = "E:\\Neu\\Faxe\\";
  rule.renameToSff = true;
  bool done = PrintCommand("relocate_all_sff",
                           BestOf(kRuns, copyOf(journal10), files, baseline,
                                  [&]() -> std::int64_t {
                                    TableEngine engine(files);
                                    RecordBuffer buffer;
                                    int pathField = 0;
                                    const PathChangeResult r =
                                        ChangeAllPaths(engine, table, 1, rule, buffer, pathField);
                                    return r.ok() ? r.changed : -1;
                                  }),
                           limit, warm);

  const auto dedupe = [&]() -> std::int64_t {
    TableEngine engine(files);
    RecordBuffer buffer;
    const DedupeResult r = DeleteDuplicates(engine, table, 1, buffer);
    return r.ok() ? r.removed : -1;
  };
  // The deletion's first step alone: every record made live, ERROR's line breaks cut.
  done &= PrintCommand("normalize",
                       BestOf(kRuns, copyOf(journal10), files, baseline,
                              [&]() -> std::int64_t {
                                TableEngine engine(files);
                                RecordBuffer buffer;
                                const NormalizeResult r =
                                    NormalizeRecords(engine, table, 1, buffer);
                                return r.ok() ? r.records : -1;
                              }),
                       limit, warm);
  done &= PrintCommand("dedupe_10pct", BestOf(kRuns, copyOf(journal10), files, baseline, dedupe),
                       limit, warm);
  done &= PrintCommand("dedupe_50pct", BestOf(kRuns, copyOf(journal50), files, baseline, dedupe),
                       limit, warm);

  // The command-line tool's append: the records of a second journal, then the deletion.
  const Measured appendDedupe =
      BestOf(kRuns, copyOf(journal10), files, baseline, [&]() -> std::int64_t {
        TableEngine engine(files);
        RecordBuffer buffer;
        NormalizedTail normalized;
        const AppendResult appended = AppendTable(engine, table, 1, source, 2, {}, &normalized);
        if (!appended.ok() || appended.appended != count / 2) return -1;
        const DedupeResult r = DeleteDuplicates(engine, table, 1, buffer, {}, &normalized);
        return r.ok() ? r.removed : -1;
      });
  std::filesystem::copy_file(table, appendedTable, std::filesystem::copy_options::overwrite_existing);
  const Limit appendedLimit = BlockLimit(table, copyOf(appendedTable));
  Print("block_limit_appended", appendedLimit.seconds, "s");
  Print("block_limit_appended_cpu", appendedLimit.cpuSeconds, "s");
  const Limit appendedWarm = BlockLimit(table);
  Print("block_limit_appended_warm", appendedWarm.seconds, "s");
  done &= PrintCommand("append_half_then_dedupe", appendDedupe, appendedLimit, appendedWarm);
  for (const std::string& path : {journal10, journal50, source, appendedTable}) {
    std::filesystem::remove(path);
  }

  if (quick || !done) {
    std::filesystem::remove(table);
    return done ? 0 : 1;
  }
  RecordBuffer buffer;
  TableEngine engine;
  // The removal alone, ours against the literal marking and packing, on the same normalised
  // table.
  constexpr std::int64_t kSmall = 20000;
  WriteJournal(table, kSmall, 0.10, 3);
  (void)NormalizeRecords(engine, table, 1, buffer);
  std::filesystem::copy_file(table, other, std::filesystem::copy_options::overwrite_existing);
  std::int32_t removed = -1;
  const double ours = Seconds([&] {
    const RemovalResult result = RemoveDuplicates(engine, table, 1);
    if (result.ok()) removed = result.removed;
  });
  std::int32_t marked = 0;
  const double literal = Seconds([&] {
    marked = reference::ReferenceMarkDuplicates(engine, other, 2);
    if (marked > 0) reference::ReferencePackMarked(engine, other, 2);
  });
  if (removed != marked) {
    std::fprintf(stderr, "dbasetool-bench: the removal took %d records, the literal one %d\n",
                 removed, marked);
    return 1;
  }
  Print("dedupe_20000", ours, "s");
  Print("reference_dedupe_20000", literal, "s");
  Print("reference_vs_ours_20000", literal / ours, "x");
  CheckFigures(table, folder, count);
  std::filesystem::remove(table);
  std::filesystem::remove(other);
  return 0;
}
