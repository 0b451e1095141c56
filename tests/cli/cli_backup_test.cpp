// --backup: a complete copy beside the table before the first write, or no write at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "tests/cli/cli_runner.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

class CliBackup : public testing::Test {
 protected:
  void SetUp() override {
    table_ = dir_.File("journal.2025.dbf");
    DbfBuilder b = JournalLayout();
    for (int i = 0; i < 300; ++i) {
      b.Record({"20250301", "C:\\Fax\\" + std::to_string(i % 200) + ".pdf", "OK"});
    }
    b.WriteTo(table_);
    before_ = ReadFileBytes(table_);
  }

  // The files beside the table whose names end in .bak.
  std::vector<std::filesystem::path> Backups() const {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
      if (entry.path().extension() == ".bak") found.push_back(entry.path());
    }
    return found;
  }

  TempDir dir_;
  std::string table_;
  std::vector<std::uint8_t> before_;
};

TEST_F(CliBackup, EachWritingCommandCopiesTheTableFirstAndNamesTheCopy) {
  const std::string other = dir_.File("alt.dbf");
  DbfBuilder source = JournalLayout();
  source.Record({"20250302", "C:\\Alt\\x.pdf", "OK"});
  source.WriteTo(other);
  // In this order each command changes the table: the paths of 300 records name 200 documents.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"relocate", table_, "--from", "C:\\Fax", "--to", "E:\\",
                                 "--backup"},
        std::vector<std::string>{"relocate", table_, "--to", "F:\\", "--backup"},
        std::vector<std::string>{"dedupe", table_, "--backup"},
        std::vector<std::string>{"append", table_, other, "--backup"}}) {
    const auto was = ReadFileBytes(table_);
    const auto known = Backups();
    const CliRun run = RunCli(args);
    ASSERT_EQ(run.exitCode, 0) << args[0] << ": " << run.err;
    const auto now = Backups();
    ASSERT_EQ(now.size(), known.size() + 1);
    std::filesystem::path made;
    for (const auto& p : now) {
      if (std::find(known.begin(), known.end(), p) == known.end()) made = p;
    }
    // journal.2025.YYYYMMDD-HHMMSS.bak (the name up to its last dot), or with -2 ... when a run
    // in the same second took that name.
    const std::string name = made.filename().string();
    EXPECT_EQ(name.rfind("journal.2025.", 0), 0u) << name;
    EXPECT_GE(name.size(), std::string("journal.20250301-120000.bak").size()) << name;
    EXPECT_EQ(Lines(run.out).at(0), table_ + ": backup " + made.string());
    EXPECT_EQ(ReadFileBytes(made.string()), was);
    EXPECT_NE(ReadFileBytes(table_), was);
  }
}

TEST_F(CliBackup, AnExistingFileIsNeverOverwritten) {
  // Every name of the seconds from now on is taken already. A command that starts after them (a
  // slow machine) takes a free name and proves nothing: it runs again with twice the seconds taken.
  std::vector<std::string> taken;
  for (int seconds = 3;; seconds *= 2) {
    const auto now = std::chrono::system_clock::now();
    for (int s = 0; s < seconds; ++s) {
      const std::time_t t = std::chrono::system_clock::to_time_t(now + std::chrono::seconds(s));
      std::tm local{};
#ifdef _WIN32
      localtime_s(&local, &t);
#else
      localtime_r(&t, &local);
#endif
      char stamp[32];
      std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
      const std::string name = dir_.File(std::string("journal.2025.") + stamp + ".bak");
      if (std::filesystem::exists(name)) continue;
      taken.push_back(name);
      WriteFileText(name, "keep");
    }
    const CliRun run = RunCli({"dedupe", table_, "--backup"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& file : taken) EXPECT_EQ(ReadFileText(file), "keep");
    if (Lines(run.out).at(0).find("-2.bak") != std::string::npos) break;
    ASSERT_LT(seconds, 3000) << "no run started within the seconds taken: " << run.out;
  }
}

#ifndef _WIN32
// A file-size limit below the table's size stands for a full disk: the copy cannot be made
// completely, so the table must not be touched and no half copy left behind.
TEST_F(CliBackup, ABackupThatCannotBeWrittenCompletelyLeavesTheTableUntouched) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = before_.size() / 2;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const CliRun run = RunCli({"relocate", table_, "--to", "E:\\", "--backup"});
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("dbasetool-cli: " + table_ + ": no backup could be made"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("nothing written"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileBytes(table_), before_);
  EXPECT_TRUE(Backups().empty());
}
#endif

}  // namespace
}  // namespace dbt::test
