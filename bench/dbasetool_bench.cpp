// Times the maintenance operations on generated journals and prints one figure per line:
// "name value unit", each command also as a ratio to the block limit of the same run.
// Usage: dbasetool-bench [records] [folder] [reference]; with "reference" the marking and
// packing are also compared with the literal ones on 20,000 records (minutes).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/path_change.h"
#include "tests/journal/reference_dedupe.h"

namespace {

using namespace dbt;

struct Field {
  const char* name;
  char type;
  int length;
};
// About 280 bytes per record, DATUM first, DATEI wide, ERROR with line breaks in some records.
const Field kFields[] = {{"DATUM", 'D', 8},   {"NUMMER", 'C', 20}, {"EMPFAENGER", 'C', 40},
                         {"DATEI", 'C', 150}, {"STATUS", 'C', 10}, {"ERROR", 'C', 50}};
constexpr int kFieldCount = 6;
constexpr int kRecordLength = 1 + 8 + 20 + 40 + 150 + 10 + 50;
constexpr int kHeaderLength = 32 + 32 * kFieldCount + 1;

std::string Pad(std::string text, int length) {
  text.resize(static_cast<std::size_t>(length), ' ');
  return text;
}

std::string MakeRecord(std::mt19937_64& random, std::uint64_t id) {
  std::string record = " ";
  record += Pad(std::to_string(20000101 + id % 9 * 10000 + id % 12 * 100 + id % 28), 8);
  record += Pad("+49 30 " + std::to_string(1000000 + random() % 9000000), 20);
  record += Pad("Empfaenger " + std::to_string(random() % 5000), 40);
  record += Pad(
      "D:\\Merlo\\Fax\\Archiv\\" + std::to_string(id % 100) + "\\fax" + std::to_string(id) + ".pdf",
      150);
  record += Pad(id % 5 ? "OK" : "BUSY", 10);
  record += Pad(id % 4 ? std::string() : "Leitung besetzt\r\n", 50);
  return record;
}

// A journal of count records, a share of which repeat an earlier record exactly.
void WriteJournal(const std::string& path, std::int64_t count, double duplicateShare,
                  std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::vector<std::uint8_t> header(kHeaderLength, 0);
  header[0] = 0x03;
  header[1] = 126;
  header[2] = 1;
  header[3] = 1;
  for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<std::uint8_t>(count >> (8 * i));
  header[8] = kHeaderLength & 0xFF;
  header[9] = kHeaderLength >> 8;
  header[10] = kRecordLength & 0xFF;
  header[11] = kRecordLength >> 8;
  for (int k = 0; k < kFieldCount; ++k) {
    std::uint8_t* d = &header[32 + 32 * static_cast<std::size_t>(k)];
    for (int c = 0; kFields[k].name[c] != 0; ++c)
      d[c] = static_cast<std::uint8_t>(kFields[k].name[c]);
    d[11] = static_cast<std::uint8_t>(kFields[k].type);
    d[16] = static_cast<std::uint8_t>(kFields[k].length);
  }
  header[kHeaderLength - 1] = 0x0D;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header.data()), kHeaderLength);
  std::uniform_real_distribution<double> share(0.0, 1.0);
  std::string block;
  std::uint64_t nextId = seed * 100000000ull;
  std::uint64_t firstId = nextId;
  for (std::int64_t i = 0; i < count; ++i) {
    const bool repeat = i > 0 && share(random) < duplicateShare;
    const std::uint64_t id = repeat ? firstId + random() % (nextId - firstId) : nextId++;
    std::mt19937_64 fields(id);
    block += MakeRecord(fields, id);
    if (block.size() > (1u << 20)) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  block += '\x1A';
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Print(const std::string& name, double value, const char* unit) {
  std::printf("%s %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

// One pread and one pwrite per record, nothing else: what any record-by-record pass costs.
double IoFloor(const std::string& path, std::int64_t count) {
  const int fd = open(path.c_str(), O_RDWR);
  std::vector<char> record(kRecordLength);
  const double s = Seconds([&] {
    for (std::int64_t i = 0; i < count; ++i) {
      const off_t at = kHeaderLength + static_cast<off_t>(i) * kRecordLength;
      if (pread(fd, record.data(), record.size(), at) != kRecordLength) break;
      if (pwrite(fd, record.data(), record.size(), at) != kRecordLength) break;
    }
  });
  close(fd);
  return s;
}

// ru_maxrss of a child that runs work, in KiB.
long ChildPeakKiB(const std::function<void()>& work) {
  const pid_t child = fork();
  if (child == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  return usage.ru_maxrss;
}

double SecondsOf(const struct timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double OwnCpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
}

struct Limit {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system: what a busy machine changes least
};

// Reads the whole record area and writes it back in 1 MiB blocks, nothing else: what no pass
// that rewrites the records in place can beat. The best of three, so that the ratios to it are
// not flattered by a slow run.
Limit BlockLimit(const std::string& path) {
  Limit best;
  const int fd = open(path.c_str(), O_RDWR);
  if (fd < 0) return best;
  const off_t end = lseek(fd, 0, SEEK_END);
  std::vector<char> block(std::size_t{1} << 20);
  for (int run = 0; run < 3; ++run) {
    const double cpuBefore = OwnCpuSeconds();
    const double s = Seconds([&] {
      for (off_t at = kHeaderLength; at < end - 1;) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<off_t>(end - 1 - at, static_cast<off_t>(block.size())));
        if (pread(fd, block.data(), want, at) != static_cast<ssize_t>(want)) break;
        if (pwrite(fd, block.data(), want, at) != static_cast<ssize_t>(want)) break;
        at += static_cast<off_t>(want);
      }
    });
    const double cpu = OwnCpuSeconds() - cpuBefore;
    if (run == 0 || s < best.seconds) best.seconds = s;
    if (run == 0 || cpu < best.cpuSeconds) best.cpuSeconds = cpu;
  }
  close(fd);
  return best;
}

struct Measured {
  double seconds = 0;  // the command alone, timed inside the child
  double userSeconds = 0;
  double systemSeconds = 0;
  double peakMiB = 0;  // above the peak of a child that does nothing
};

// Runs work in a child process of its own, so that its peak memory is its own.
Measured InChild(long baselineKiB, const std::function<void()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    const double s = Seconds(work);
    if (write(channel[1], &s, sizeof s) != sizeof s) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  Measured measured;
  if (read(channel[0], &measured.seconds, sizeof measured.seconds) != sizeof measured.seconds) {
    measured.seconds = -1;
  }
  close(channel[0]);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  measured.userSeconds = SecondsOf(usage.ru_utime);
  measured.systemSeconds = SecondsOf(usage.ru_stime);
  measured.peakMiB = static_cast<double>(usage.ru_maxrss - baselineKiB) / 1024.0;
  return measured;
}

void PrintCommand(const std::string& name, const Measured& measured, const Limit& limit) {
  Print(name, measured.seconds, "s");
  Print(name + "_vs_block_limit", measured.seconds / limit.seconds, "x");
  Print(name + "_user", measured.userSeconds, "s");
  Print(name + "_system", measured.systemSeconds, "s");
  Print(name + "_cpu_vs_block_limit_cpu",
        (measured.userSeconds + measured.systemSeconds) / limit.cpuSeconds, "x");
  Print(name + "_peak_memory", measured.peakMiB, "MiB");
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t count = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const std::string folder = argc > 2 ? argv[2] : "/tmp/dbasetool-bench";
  const bool withReference = argc > 3 && std::string(argv[3]) == "reference";
  std::filesystem::create_directories(folder);
  const double need = 3.2 * static_cast<double>(count) * kRecordLength + 64e6;
  if (static_cast<double>(std::filesystem::space(folder).available) < need) {
    std::fprintf(stderr, "dbasetool-bench: %s: needs %.0f MB free\n", folder.c_str(), need / 1e6);
    return 1;
  }
  const std::string table = folder + "/journal.dbf";
  const std::string other = folder + "/other.dbf";
  Print("records", static_cast<double>(count), "records");
  Print("record_length", kRecordLength, "bytes");

  // The children are forked while this process is small: a child starts with its parent's peak.
  const long baseline = ChildPeakKiB([] {});
  Print("memory_budget", 64.0 + 40.0 * static_cast<double>(count) / 1048576.0, "MiB");

  WriteJournal(table, count, 0.10, 1);
  const Limit limit = BlockLimit(table);
  Print("block_limit", limit.seconds, "s");
  Print("block_limit_cpu", limit.cpuSeconds, "s");
  const double floor = IoFloor(table, count);
  Print("io_floor", floor, "s");
  Print("io_floor_vs_block_limit", floor / limit.seconds, "x");

  PathRule rule;
  rule.targetFolder = "E:\\Neu\\Faxe\\";
  rule.renameToSff = true;
  PrintCommand("relocate_all_sff",
               InChild(baseline,
                       [&] {
                         TableEngine engine;
                         RecordBuffer buffer;
                         int pathField = 0;
                         (void)ChangeAllPaths(engine, table, 1, rule, buffer, pathField);
                       }),
               limit);

  const auto dedupe = [&] {
    TableEngine engine;
    RecordBuffer buffer;
    (void)DeleteDuplicates(engine, table, 1, buffer);
  };
  // The deletion's first step alone: every record made live, ERROR's line breaks cut.
  WriteJournal(table, count, 0.10, 1);
  PrintCommand("normalize",
               InChild(baseline,
                       [&] {
                         TableEngine engine;
                         RecordBuffer buffer;
                         (void)NormalizeRecords(engine, table, 1, buffer);
                       }),
               limit);
  WriteJournal(table, count, 0.10, 1);
  PrintCommand("dedupe_10pct", InChild(baseline, dedupe), limit);
  WriteJournal(table, count, 0.50, 1);
  PrintCommand("dedupe_50pct", InChild(baseline, dedupe), limit);

  // The command-line tool's append: the records of a second journal, then the deletion.
  WriteJournal(table, count, 0.10, 1);
  WriteJournal(other, count / 2, 0.10, 2);
  const Measured appendDedupe = InChild(baseline, [&] {
    TableEngine engine;
    RecordBuffer buffer;
    (void)AppendTable(engine, table, 1, other, 2);
    (void)DeleteDuplicates(engine, table, 1, buffer);
  });
  const Limit appendedLimit = BlockLimit(table);
  Print("block_limit_appended", appendedLimit.seconds, "s");
  Print("block_limit_appended_cpu", appendedLimit.cpuSeconds, "s");
  PrintCommand("append_half_then_dedupe", appendDedupe, appendedLimit);
  std::filesystem::remove(other);

  if (!withReference) {
    std::filesystem::remove(table);
    return 0;
  }
  RecordBuffer buffer;
  TableEngine engine;
  // Marking and packing alone, ours against the literal ones, on the same normalised table.
  constexpr std::int64_t kSmall = 20000;
  WriteJournal(table, kSmall, 0.10, 3);
  (void)NormalizeRecords(engine, table, 1, buffer);
  std::filesystem::copy_file(table, other, std::filesystem::copy_options::overwrite_existing);
  const double ours = Seconds([&] {
    if (MarkDuplicates(engine, table, 1).marked > 0) (void)PackMarked(engine, table, 1);
  });
  const double literal = Seconds([&] {
    if (test::ReferenceMarkDuplicates(engine, other, 2) > 0)
      test::ReferencePackMarked(engine, other, 2);
  });
  Print("dedupe_20000", ours, "s");
  Print("reference_dedupe_20000", literal, "s");
  Print("reference_vs_ours_20000", literal / ours, "x");
  std::filesystem::remove(table);
  std::filesystem::remove(other);
  return 0;
}
