// The built dbasetool-cli killed with SIGKILL at moments spread over a whole run of relocate,
// dedupe and append on a 200,000-record journal: after every kill no record may be lost, and
// running the same command again must end exactly where an uninterrupted run ends.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <span>
#include <thread>

#include "bench/journal_generator.h"
#include "dbf/table_file.h"
#include "journal/recovery_log.h"
#include "journal/table_session.h"
#include "tests/crash/record_key.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace dbt::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
using View = std::span<const std::uint8_t>;
using bench::kGeneratedHeaderLength;
using bench::kGeneratedPathOffset;
using bench::kGeneratedRecordLength;
using bench::WriteGeneratedJournal;

constexpr int kTrials = 20;
constexpr std::int64_t kTargetRecords = 200000;
constexpr std::int64_t kSourceRecords = 100000;

pid_t Start(const std::vector<std::string>& args) {
  std::vector<std::string> all = {DBT_CLI_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, DBT_CLI_EXE, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit code, or -1 when a signal ended the process.
int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int RunToEnd(const std::vector<std::string>& args) {
  const pid_t pid = Start(args);
  return pid < 0 ? -1 : Wait(pid);
}

Bytes ReadAll(const fs::path& path) {
  Bytes bytes(static_cast<std::size_t>(fs::file_size(path)));
  FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) return {};
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

// A table looked at in place: a fresh copy of tens of megabytes per look would cost more than
// the command under test.
class MappedFile {
 public:
  explicit MappedFile(const fs::path& path) : fd_(open(path.string().c_str(), O_RDONLY)) {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0 || st.st_size == 0) return;
    void* at = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd_, 0);
    if (at != MAP_FAILED)
      bytes_ = {static_cast<const std::uint8_t*>(at), static_cast<std::size_t>(st.st_size)};
  }
  ~MappedFile() {
    if (!bytes_.empty()) munmap(const_cast<std::uint8_t*>(bytes_.data()), bytes_.size());
    if (fd_ >= 0) close(fd_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  View Bytes() const { return bytes_; }

 private:
  int fd_;
  View bytes_;
};

// The header's date (bytes 1-3) is today's after any run; a run across midnight differs there.
bool SameTable(View a, View b) {
  if (a.size() != b.size() || a.size() < 4)
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  return a[0] == b[0] && std::equal(a.begin() + 4, a.end(), b.begin() + 4);
}

using KeyHashes = std::vector<std::uint64_t>;

// The record key of every whole slot the file holds, counted or not.
KeyHashes SlotKeys(View table) {
  KeyHashes keys;
  for (std::size_t at = kGeneratedHeaderLength; at + kGeneratedRecordLength <= table.size();
       at += kGeneratedRecordLength) {
    const std::string_view record(reinterpret_cast<const char*>(&table[at]),
                                  kGeneratedRecordLength);
    keys.push_back(RecordKeyHash(record));
  }
  return keys;
}

std::size_t CommonPrefix(const KeyHashes& a, const KeyHashes& b) {
  return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
                                  a.begin());
}

// How a rerun's table differs from the uninterrupted one, for the failure report.
std::string Divergence(View table, View expected, KeyHashes originals, std::size_t files) {
  const KeyHashes slots = SlotKeys(table);
  const KeyHashes wanted = SlotKeys(expected);
  const std::size_t at = CommonPrefix(slots, wanted);
  std::sort(originals.begin(), originals.end());
  std::size_t foreign = 0;
  for (const std::uint64_t key : slots)
    foreign += !std::binary_search(originals.begin(), originals.end(), key);
  char text[200];
  std::snprintf(
      text, sizeof text,
      "%zu records where %zu were expected, first different record %zu, %zu records equal to no "
      "original one, %zu files in the folder",
      slots.size(), wanted.size(), at + 1, foreign, files);
  return text;
}

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Input {
  fs::path path;
  Bytes bytes;
  KeyHashes keys;
};

// Records of the inputs missing from the table as the next open leaves it, the recovery file
// finished: what anyone who opens it next finds. Records are found by their fields before DATEI,
// DATEI's document name and the fields after it, which no command changes. At the kill itself a
// record can look otherwise: a write cut at a page boundary inside DATEI leaves new bytes before
// it and old ones after, and the recovery file beside the table holds the rest.
std::size_t LostRecords(const std::vector<const Input*>& inputs, const KeyHashes& slots) {
  KeyHashes present = slots;
  std::sort(present.begin(), present.end());
  std::size_t lost = 0;
  for (const Input* input : inputs) {
    for (const std::uint64_t key : input->keys) {
      lost += !std::binary_search(present.begin(), present.end(), key);
    }
  }
  return lost;
}

// The table of a killed run's folder as the next open leaves it, opened in a copy of the folder
// so that the run's own folder stays as the kill left it for the rerun.
Bytes AsNextOpenLeavesIt(const fs::path& dir, const fs::path& scratch) {
  fs::remove_all(scratch);
  fs::copy(dir, scratch, fs::copy_options::recursive);
  const std::string table = (scratch / "journal.dbf").string();
  {
    TableSession session;
    EXPECT_TRUE(session.Begin(PlatformFileSystem(), table).ok());
  }
  EXPECT_FALSE(fs::exists(journal_detail::RecoveryPath(table)));
  return ReadAll(table);
}

std::size_t Marks(View table) {
  std::size_t marks = 0;
  for (std::size_t at = kGeneratedHeaderLength; at < table.size(); at += kGeneratedRecordLength) {
    marks += table[at] == ':';
  }
  return marks;
}

// A started command, watched until it first writes the record that the finished table holds in
// slot `slot` (which held another record before): the first write of its compaction.
struct Watched {
  pid_t pid = -1;
  bool ended = false;    // reaped before the first move was seen
  double firstMove = 0;  // seconds after the start
};

Watched StartUntilFirstMove(const std::vector<std::string>& args, const fs::path& table,
                            std::size_t slot, std::uint64_t finalKey) {
  const auto started = Clock::now();
  Watched w;
  w.pid = Start(args);
  const int fd = open(table.string().c_str(), O_RDONLY);
  std::vector<char> record(kGeneratedRecordLength);
  const off_t at = static_cast<off_t>(kGeneratedHeaderLength + slot * kGeneratedRecordLength);
  while (w.pid > 0 && fd >= 0 && w.firstMove == 0 && !w.ended) {
    if (pread(fd, record.data(), record.size(), at) == static_cast<ssize_t>(record.size()) &&
        RecordKeyHash(std::string_view(record.data(), record.size())) == finalKey) {
      w.firstMove = std::chrono::duration<double>(Clock::now() - started).count();
    } else {
      w.ended = waitpid(w.pid, nullptr, WNOHANG) == w.pid;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  if (fd >= 0) close(fd);
  return w;
}

class SigkillTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    journal_ = new Input{dir_->Path() / "journal.dbf", {}, {}};
    source_ = new Input{dir_->Path() / "alt.dbf", {}, {}};
    WriteGeneratedJournal(journal_->path.string(), {kTargetRecords, 0.1, 0.05, 1});
    WriteGeneratedJournal(source_->path.string(), {kSourceRecords, 0.1, 0.05, 2});
    for (Input* input : {journal_, source_}) {
      input->bytes = ReadAll(input->path);
      input->keys = SlotKeys(input->bytes);
    }
  }
  static void TearDownTestSuite() {
    delete journal_;
    delete source_;
    delete dir_;
  }

  // A folder holding a fresh copy of the journal (and of the source for append).
  static fs::path FreshCopy(bool withSource) {
    const fs::path dir = dir_->Path() / "trial";
    fs::remove_all(dir);
    fs::create_directory(dir);
    fs::copy_file(journal_->path, dir / "journal.dbf");
    if (withSource) fs::copy_file(source_->path, dir / "alt.dbf");
    return dir;
  }

  static void KillAndRerun(const std::string& name, const std::vector<std::string>& extra,
                           bool withSource) {
    auto args = [&](const fs::path& dir) {
      std::vector<std::string> a = {name, (dir / "journal.dbf").string()};
      if (withSource) a.push_back((dir / "alt.dbf").string());
      a.insert(a.end(), extra.begin(), extra.end());
      return a;
    };
    std::vector<const Input*> inputs = {journal_};
    KeyHashes before = journal_->keys;
    if (withSource) {
      inputs.push_back(source_);
      before.insert(before.end(), source_->keys.begin(), source_->keys.end());
    }

    fs::path dir = FreshCopy(withSource);
    const auto started = Clock::now();
    ASSERT_EQ(RunToEnd(args(dir)), 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const Bytes expected = ReadAll(dir / "journal.dbf");
    const KeyHashes expectedKeys = SlotKeys(expected);
    // Slots up to here hold the same records before and after: the compaction starts beyond.
    const std::size_t unmoved = CommonPrefix(before, expectedKeys);
    // How long the compaction runs, from its first move to the end of the run.
    const bool compacts = unmoved < expectedKeys.size();
    double compaction = 0;
    if (compacts) {
      dir = FreshCopy(withSource);
      const auto probeStart = Clock::now();
      const Watched probe =
          StartUntilFirstMove(args(dir), dir / "journal.dbf", unmoved, expectedKeys[unmoved]);
      if (!probe.ended) Wait(probe.pid);
      const double probeSeconds = std::chrono::duration<double>(Clock::now() - probeStart).count();
      if (probe.firstMove > 0) compaction = probeSeconds - probe.firstMove;
    }

    int converged = 0, endedFirst = 0, withLoss = 0, compacting = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
      dir = FreshCopy(withSource);
      // Half the kills spread over the whole run; half over the compaction, timed from the first
      // move seen in this very run (over the whole run again for a command that moves nothing).
      const int half = kTrials / 2;
      const double share = ((trial % half) + (trial < half ? 0.5 : 0.25)) / half;
      pid_t pid = -1;
      double at = 0;
      bool ended = false;
      if (trial >= half && compaction > 0) {
        const Watched w =
            StartUntilFirstMove(args(dir), dir / "journal.dbf", unmoved, expectedKeys[unmoved]);
        pid = w.pid;
        ended = w.ended;
        at = w.firstMove;
        std::this_thread::sleep_for(std::chrono::duration<double>(compaction * share));
        at += compaction * share;
      } else {
        pid = Start(args(dir));
        at = seconds * share;
        std::this_thread::sleep_for(std::chrono::duration<double>(at));
      }
      ASSERT_GT(pid, 0);
      if (!ended) {
        kill(pid, SIGKILL);
        ended = Wait(pid) != -1;
      }
      endedFirst += ended;

      std::size_t killedSize = 0, marks = 0;
      KeyHashes slots;
      {
        const MappedFile killed(dir / "journal.dbf");
        killedSize = killed.Bytes().size();
        marks = Marks(killed.Bytes());
        slots = SlotKeys(killed.Bytes());
      }
      const bool moved = CommonPrefix(slots, expectedKeys) > unmoved;
      compacting += moved;
      // Until the header counts the appended records, the next open takes the append back and
      // the source's records are only in the source, which no command writes: killed during the
      // copy, the table's own records must all be there, the source's not yet.
      const Bytes reopened = AsNextOpenLeavesIt(dir, dir_->Path() / "reopened");
      const bool appended =
          withSource && HeaderRecordCount(reopened) > HeaderRecordCount(journal_->bytes);
      const std::vector<const Input*> owned =
          appended ? inputs : std::vector<const Input*>{journal_};
      const std::size_t lost = LostRecords(owned, SlotKeys(reopened));
      withLoss += lost > 0;
      const int rerun = RunToEnd(args(dir));
      std::size_t files = 0;
      for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++files;
      const MappedFile rerunTable(dir / "journal.dbf");
      const View rerunBytes = rerunTable.Bytes();
      const bool same =
          rerun == 0 && SameTable(rerunBytes, expected) && files == (withSource ? 2u : 1u);
      if (!same) std::printf("  %s\n", Divergence(rerunBytes, expected, before, files).c_str());
      converged += same;
      std::printf(
          "%s killed at %.3f s: size %+lld bytes, %zu ':' marks%s, %zu records lost; rerun exit "
          "%d, %s\n",
          name.c_str(), at,
          static_cast<long long>(killedSize) - static_cast<long long>(journal_->bytes.size()),
          marks, moved ? ", records moved" : "", lost, rerun,
          same ? "converged" : "differs from the uninterrupted run");
      EXPECT_EQ(lost, 0u) << name << " killed at " << at << " s";
      EXPECT_TRUE(same) << name << " killed at " << at << " s: rerun exit " << rerun;
    }
    std::printf(
        "%s: uninterrupted run %.3f s, compaction %.3f s; %d kills, %d after the run had ended, %d "
        "with records moved by the compaction; %d with records lost; %d converged\n",
        name.c_str(), seconds, compaction, kTrials, endedFirst, compacting, withLoss, converged);
    std::printf("%s: processor time so far %.1f s in this test, %.1f s in dbasetool-cli\n",
                name.c_str(), CpuSeconds(RUSAGE_SELF), CpuSeconds(RUSAGE_CHILDREN));
  }

  static TempDir* dir_;
  static Input* journal_;
  static Input* source_;
};

TempDir* SigkillTest::dir_ = nullptr;
Input* SigkillTest::journal_ = nullptr;
Input* SigkillTest::source_ = nullptr;

TEST_F(SigkillTest, RelocateWithSff) {
  KillAndRerun("relocate", {"--to", "E:\\Neu", "--sff"}, false);
}

TEST_F(SigkillTest, Dedupe) {
  KillAndRerun("dedupe", {}, false);
}

TEST_F(SigkillTest, Append) {
  KillAndRerun("append", {}, true);
}

}  // namespace
}  // namespace dbt::test
