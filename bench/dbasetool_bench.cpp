// Times the maintenance operations on generated journals and prints one figure per line:
// "name value unit", each command also as a ratio to the block limit of the same run and with
// the fdatasync barriers it asked for. Usage: dbasetool-bench [records] [folder] [quick]; with
// "quick" the literal duplicate deletion (minutes) and the document lookup are left out.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "cli/document_finder.h"
#include "dbf/table_file.h"
#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/path_change.h"
#include "journal/record_scan.h"
#include "reference/reference_dedupe.h"

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

// The platform's files, counting the barriers (Sync) that the operations ask for.
class CountingFileSystem final : public FileSystem {
 public:
  int syncs = 0;

  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  bool SameFile(const std::string& a, const std::string& b) override {
    return inner_.SameFile(a, b);
  }
  std::unique_ptr<TableFile> CreateOrReplace(const std::string& path) override {
    auto file = inner_.CreateOrReplace(path);
    return file ? std::make_unique<Counted>(std::move(file), syncs) : nullptr;
  }
  ReadWholeResult ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) override {
    return inner_.ReadWhole(path, bytes);
  }
  bool RemoveFile(const std::string& path) override { return inner_.RemoveFile(path); }

 protected:
  FileOpenResult OpenUnshared(const std::string& path, OpenAccess access) override {
    FileOpenResult opened = inner_.OpenExclusive(path, access);
    if (opened.file) opened.file = std::make_unique<Counted>(std::move(opened.file), syncs);
    return opened;
  }

 private:
  class Counted final : public TableFile {
   public:
    Counted(std::unique_ptr<TableFile> inner, int& syncs)
        : inner_(std::move(inner)), syncs_(syncs) {}
    std::uint64_t Size() override { return inner_->Size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
      return inner_->ReadAt(offset, out);
    }
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
      return inner_->WriteAt(offset, data);
    }
    bool Truncate(std::uint64_t size) override { return inner_->Truncate(size); }
    bool Sync() override {
      ++syncs_;
      return inner_->Sync();
    }
    ReserveResult Reserve(std::uint64_t size) override { return inner_->Reserve(size); }

   private:
    std::unique_ptr<TableFile> inner_;
    int& syncs_;
  };
  FileSystem& inner_ = PlatformFileSystem();
};

// The same bytes as one read and one write of every record, moved in 1 MiB blocks and made
// durable by one fdatasync at the end: what no pass over the table can beat.
double BlockFloor(const std::string& path, std::int64_t count) {
  const int fd = open(path.c_str(), O_RDWR);
  std::vector<char> block(std::size_t{1} << 20);
  const off_t end = kHeaderLength + static_cast<off_t>(count) * kRecordLength;
  const double s = Seconds([&] {
    for (off_t at = kHeaderLength; at < end;) {
      const std::size_t size =
          static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(block.size()), end - at));
      if (pread(fd, block.data(), size, at) != static_cast<ssize_t>(size)) break;
      if (pwrite(fd, block.data(), size, at) != static_cast<ssize_t>(size)) break;
      at += static_cast<off_t>(size);
    }
    fdatasync(fd);
  });
  close(fd);
  return s;
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

// check: kDocFolders folders of kDocsPerFolder documents on the local disk, named in lower
// case, and a journal whose DATEI names them in upper case under E:\ (mapped to the tree), so
// that every lookup goes through the case-insensitive match.
constexpr int kDocFolders = 1000;
constexpr int kDocsPerFolder = 100;
constexpr int kPathOffset = 1 + 8 + 20 + 40;  // DATEI within a record
constexpr int kPathLength = 150;

std::string DocName(std::int64_t doc) {
  return "fax" + std::to_string(100000 + doc) + ".sff";
}
std::string FolderName(std::int64_t folder) {
  return "ordner" + std::to_string(1000 + folder);
}

void WriteDocumentTree(const std::filesystem::path& root) {
  for (int f = 0; f < kDocFolders; ++f) {
    const std::filesystem::path folder = root / FolderName(f);
    std::filesystem::create_directories(folder);
    for (int d = 0; d < kDocsPerFolder; ++d) {
      std::ofstream(folder / DocName(static_cast<std::int64_t>(f) * kDocsPerFolder + d));
    }
  }
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Record i names document i modulo the documents in the tree, in upper case.
void PointJournalAtTree(const std::string& path, std::int64_t count) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  const std::int64_t docs = static_cast<std::int64_t>(kDocFolders) * kDocsPerFolder;
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t doc = i % docs;
    const std::string datei =
        Pad(Upper("E:\\Archiv\\" + FolderName(doc / kDocsPerFolder) + "\\" + DocName(doc)),
            kPathLength);
    file.seekp(kHeaderLength + i * kRecordLength + kPathOffset);
    file.write(datei.data(), kPathLength);
  }
}

// What any lookup of the documents costs at least: one stat of each, nothing else.
double StatFloor(const std::filesystem::path& root) {
  return Seconds([&] {
    std::error_code ec;
    for (std::int64_t doc = 0; doc < std::int64_t{kDocFolders} * kDocsPerFolder; ++doc) {
      (void)std::filesystem::is_regular_file(root / FolderName(doc / kDocsPerFolder) / DocName(doc),
                                             ec);
    }
  });
}

// The pass of "dbasetool-cli check" without its output: every record read and looked up.
void CheckFigures(const std::string& table, const std::string& folder, std::int64_t count) {
  const std::filesystem::path root = std::filesystem::path(folder) / "documents";
  std::filesystem::remove_all(root);
  WriteDocumentTree(root / "archiv");
  WriteJournal(table, count, 0.0, 4);
  PointJournalAtTree(table, count);
  const double floor = StatFloor(root / "archiv");
  TableEngine engine;
  RecordBuffer buffer;
  std::int64_t present = 0;
  const double check = Seconds([&] {
    cli::DocumentFinder finder({cli::FolderMap{"E:", root.string()}});
    std::vector<std::uint8_t> header;
    std::int64_t size = 0;
    if (!engine.OpenTable(table, 1, OpenAccess::Read, header, size).ok()) return;
    const int pathField = engine.FieldIndex(1, "DATEI");
    (void)journal_detail::ScanRecords(engine, 1, buffer,
                                      [&](std::int32_t) {
                                        present += finder.Find(buffer.FieldValues[pathField]) ==
                                                   cli::DocumentState::Present;
                                      },
                                      {});
    engine.CloseTable(1);
  });
  Print("check_documents_present", static_cast<double>(present), "records");
  Print("check_all_present", check, "s");
  Print("check_records_per_s", static_cast<double>(count) / check, "records/s");
  Print("check_stat_each_document_once", floor, "s");
  std::filesystem::remove_all(root);
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
  int syncs = 0;       // fdatasync barriers the command asked for
};

// Every command's files: a child counts in its own copy and reports the count with its time.
CountingFileSystem files;

// Runs work in a child process of its own, so that its peak memory is its own.
Measured InChild(long baselineKiB, const std::function<void()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    files.syncs = 0;
    const double s = Seconds(work);
    if (write(channel[1], &s, sizeof s) != sizeof s) _exit(1);
    if (write(channel[1], &files.syncs, sizeof files.syncs) != sizeof files.syncs) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  Measured measured;
  if (read(channel[0], &measured.seconds, sizeof measured.seconds) != sizeof measured.seconds) {
    measured.seconds = -1;
  }
  if (read(channel[0], &measured.syncs, sizeof measured.syncs) != sizeof measured.syncs) {
    measured.syncs = -1;
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
  Print(name + "_fdatasync", measured.syncs, "barriers");
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
  const bool quick = argc > 3 && std::string(argv[3]) == "quick";
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
  const double blockFloor = BlockFloor(table, count);
  Print("io_floor_1mib_blocks_1_fdatasync", blockFloor, "s");

  PathRule rule;
  rule.targetFolder = "E:\\Neu\\Faxe\\";
  rule.renameToSff = true;
  PrintCommand("relocate_all_sff",
               InChild(baseline,
                       [&] {
                         TableEngine engine(files);
                         RecordBuffer buffer;
                         int pathField = 0;
                         (void)ChangeAllPaths(engine, table, 1, rule, buffer, pathField);
                       }),
               limit);

  const auto dedupe = [&] {
    TableEngine engine(files);
    RecordBuffer buffer;
    (void)DeleteDuplicates(engine, table, 1, buffer);
  };
  // The deletion's first step alone: every record made live, ERROR's line breaks cut.
  WriteJournal(table, count, 0.10, 1);
  PrintCommand("normalize",
               InChild(baseline,
                       [&] {
                         TableEngine engine(files);
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
    TableEngine engine(files);
    RecordBuffer buffer;
    (void)AppendTable(engine, table, 1, other, 2);
    (void)DeleteDuplicates(engine, table, 1, buffer);
  });
  const Limit appendedLimit = BlockLimit(table);
  Print("block_limit_appended", appendedLimit.seconds, "s");
  Print("block_limit_appended_cpu", appendedLimit.cpuSeconds, "s");
  PrintCommand("append_half_then_dedupe", appendDedupe, appendedLimit);
  std::filesystem::remove(other);

  if (quick) {
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
    if (reference::ReferenceMarkDuplicates(engine, other, 2) > 0)
      reference::ReferencePackMarked(engine, other, 2);
  });
  Print("dedupe_20000", ours, "s");
  Print("reference_dedupe_20000", literal, "s");
  Print("reference_vs_ours_20000", literal / ours, "x");
  CheckFigures(table, folder, count);
  std::filesystem::remove(table);
  std::filesystem::remove(other);
  return 0;
}
