// Tables written by other programs (see README.md here) through every command of the built
// dbasetool-cli: reading ends with a result or a clear refusal and never writes; a refused
// command leaves the file byte for byte; on copies made into journals, every byte a command must
// keep is kept and the results equal the literal operations of the file format.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "dbf/engine.h"
#include "reference/reference_dedupe.h"
#include "tests/cli/cli_runner.h"
#include "tests/corpus/corpus_table.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

namespace fs = std::filesystem;

// Checks that fail today for a known fault of the tool, each with its reason. A listed check
// that passes fails the suite, so that its entry goes when the fix lands.
struct KnownFault {
  const char* file;
  const char* check;
  const char* reason;
};
// None today: level-7 and over-wide tables are refused as unsupported, and records past the
// count make the writing commands refuse.
const std::vector<KnownFault> kKnownFaults = {};

const char* KnownFaultReason(const std::string& file, const std::string& check) {
  for (const KnownFault& k : kKnownFaults) {
    if (file == k.file && check == k.check) return k.reason;
  }
  return nullptr;
}

// One verdict per file and check, weighed against the list of known faults.
void Verdict(const std::string& file, const std::string& check, bool ok,
             const std::string& detail) {
  const char* known = KnownFaultReason(file, check);
  if (known == nullptr) {
    EXPECT_TRUE(ok) << file << " [" << check << "]: " << detail;
  } else if (ok) {
    ADD_FAILURE() << file << " [" << check << "] passes now: remove it from kKnownFaults";
  } else {
    std::cout << "known fault: " << file << " [" << check << "]: " << known << "\n  " << detail
              << "\n";
  }
}

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(DBT_CORPUS_DIR)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".dbf") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Describe(const CliRun& run) {
  std::ostringstream text;
  text << "exit " << run.exitCode << ", stderr \"" << run.err << "\"";
  return text.str();
}

// Refused as a format the tool does not handle, not as a damaged file.
bool RefusedAsUnsupported(const CliRun& run) {
  std::string err = run.err;
  std::transform(err.begin(), err.end(), err.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return run.exitCode == 1 &&
         (err.find("not supported") != std::string::npos ||
          err.find("level 7") != std::string::npos || err.find("dbase 7") != std::string::npos);
}

// Ended by itself with a result or a one-line refusal, not by a signal or a crash.
bool EndedCleanly(const CliRun& run) {
  if (run.exitCode == 0) return true;
  return run.exitCode == 1 && !run.err.empty() && Lines(run.err).size() == 1;
}

// Where two files first differ, for the failure message.
std::string FirstDifference(const Bytes& expected, const Bytes& actual, const TableLayout& layout) {
  if (expected == actual) return "equal";
  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  std::ostringstream text;
  text << "sizes " << expected.size() << " and " << actual.size() << ", first difference at byte "
       << at;
  if (at >= layout.headerLength) {
    const std::size_t record = (at - layout.headerLength) / layout.recordLength;
    const std::size_t inRecord = (at - layout.headerLength) % layout.recordLength;
    text << " (record " << record + 1 << ", byte " << inRecord;
    for (const FieldSpan& f : layout.fields) {
      if (inRecord >= f.offset && inRecord < f.offset + f.length) text << ", field " << f.name;
    }
    text << ")";
  }
  if (at < expected.size() && at < actual.size()) {
    text << ": expected 0x" << std::hex << int{expected[at]} << ", found 0x" << int{actual[at]};
  }
  return text.str();
}

struct CorpusJournal {
  std::string name;
  Journal journal;
};

std::vector<CorpusJournal> CorpusJournals() {
  std::vector<CorpusJournal> journals;
  for (const fs::path& file : CorpusFiles()) {
    std::optional<Journal> journal = MakeJournal(ReadFileBytes(file.string()));
    if (journal) journals.push_back({file.filename().string(), std::move(*journal)});
  }
  return journals;
}

TEST(Corpus, ReadingEndsWithAResultOrARefusalAndNeverWrites) {
  TempDir dir;
  for (const fs::path& file : CorpusFiles()) {
    const std::string name = file.filename().string();
    const std::string copy = dir.File(name);
    const Bytes before = ReadFileBytes(file.string());
    WriteFileBytes(copy, before);
    const CliRun info = RunCli({"info", copy});
    const bool unsupported =
        IsLevel7(before) || (HasDbase3Version(before) && FieldCountOf(before) > 128);
    Verdict(name, "info", EndedCleanly(info) && (!unsupported || RefusedAsUnsupported(info)),
            Describe(info));
    for (const std::string record : {"1", "2", "999999"}) {
      const CliRun show = RunCli({"show", copy, record});
      Verdict(name, "show " + record, EndedCleanly(show), Describe(show));
    }
    Verdict(name, "reading leaves the bytes", ReadFileBytes(copy) == before, "the file changed");
  }
}

// None of these tables is a journal, so every writing command must refuse it, and refuse the
// appending of it to a journal, without touching a byte of either file.
TEST(Corpus, WritingCommandsRefuseTablesThatAreNoJournalsAndWriteNothing) {
  TempDir dir;
  const std::string journal = dir.File("journal.dbf");
  JournalLayout().Record({"20081231", "C:\\Fax\\0001.PDF", "OK"}).WriteTo(journal);
  const Bytes journalBefore = ReadFileBytes(journal);
  for (const fs::path& file : CorpusFiles()) {
    const std::string name = file.filename().string();
    const std::string copy = dir.File(name);
    const Bytes before = ReadFileBytes(file.string());
    WriteFileBytes(copy, before);
    const std::vector<std::vector<std::string>> commands = {
        {"relocate", copy, "--to", "X:\\Neu"},
        {"relocate", copy, "--to", "X:\\Neu", "--sff"},
        {"relocate", copy, "--to", "X:\\Neu", "--record", "1"},
        {"dedupe", copy},
        {"append", copy, journal},
        {"append", journal, copy}};
    for (const auto& command : commands) {
      const CliRun run = RunCli(command);
      const std::string check = command[0] + (command.size() > 4 ? " " + command[4] : "") +
                                (command[1] == journal ? " (as source)" : "");
      Verdict(name, check,
              run.exitCode == 1 && EndedCleanly(run) && ReadFileBytes(copy) == before &&
                  ReadFileBytes(journal) == journalBefore,
              Describe(run) + (ReadFileBytes(copy) == before ? "" : ", the table changed") +
                  (ReadFileBytes(journal) == journalBefore ? "" : ", the journal changed"));
    }
  }
}

// Every byte outside DATEI and the flag kept; DATEI the new folder and the stored file name,
// or the old path where the new one does not fit (and then exit 3).
std::string CheckRelocated(const Journal& journal, const Bytes& after, const CliRun& run,
                           bool sff) {
  const Bytes& before = journal.bytes;
  const TableLayout& l = journal.layout;
  if (run.exitCode != 0 && run.exitCode != 3) return Describe(run);
  if (after.size() != before.size()) return "the file size changed";
  for (std::size_t i = 0; i < l.headerLength; ++i) {
    if ((i < 1 || i > 7) && after[i] != before[i])
      return "header byte " + std::to_string(i) + " changed";
  }
  const FieldSpan& path = l.fields[journal.pathField];
  bool keptAny = false;
  for (std::size_t r = 0; r < l.count; ++r) {
    const std::size_t at = l.RecordOffset(r);
    for (std::size_t i = 1; i < l.recordLength; ++i) {
      if ((i < path.offset || i >= path.offset + path.length) && after[at + i] != before[at + i]) {
        return "record " + std::to_string(r + 1) + ": byte " + std::to_string(i) +
               " outside DATEI changed";
      }
    }
    const std::string old(
        before.begin() + static_cast<std::ptrdiff_t>(at + path.offset),
        before.begin() + static_cast<std::ptrdiff_t>(at + path.offset + path.length));
    const std::string now(
        after.begin() + static_cast<std::ptrdiff_t>(at + path.offset),
        after.begin() + static_cast<std::ptrdiff_t>(at + path.offset + path.length));
    bool matched = false;
    bool fits = false;
    for (std::string accepted : AcceptedNewPaths(old, "X:\\Neu\\", sff)) {
      if (accepted.size() > path.length) continue;
      fits = true;
      accepted.resize(path.length, ' ');
      matched = matched || now == accepted;
    }
    if (matched && after[at] != ' ') return "record " + std::to_string(r + 1) + " not live";
    if (!matched && (fits || now != old)) {
      return "record " + std::to_string(r + 1) + ": DATEI \"" + now + "\" from \"" + old + "\"";
    }
    keptAny = keptAny || !matched;
  }
  if (keptAny != (run.exitCode == 3))
    return "exit " + std::to_string(run.exitCode) + " although " + (keptAny ? "" : "no ") +
           "path was kept";
  if (!std::equal(after.begin() + static_cast<std::ptrdiff_t>(l.RecordOffset(l.count)), after.end(),
                  before.begin() + static_cast<std::ptrdiff_t>(l.RecordOffset(l.count)))) {
    return "bytes after the counted records changed";
  }
  return {};
}

TEST(Corpus, RelocateOnJournalCopiesChangesNothingButThePaths) {
  TempDir dir;
  const std::vector<CorpusJournal> journals = CorpusJournals();
  ASSERT_GE(journals.size(), 15u);
  for (const CorpusJournal& j : journals) {
    const std::string copy = dir.File(j.name);
    for (const bool sff : {false, true}) {
      WriteFileBytes(copy, j.journal.bytes);
      std::vector<std::string> args = {"relocate", copy, "--to", "X:\\Neu"};
      if (sff) args.push_back("--sff");
      const CliRun run = RunCli(args);
      const Bytes after = ReadFileBytes(copy);
      const std::string check = sff ? "journal relocate --sff" : "journal relocate";
      if (j.journal.layout.RecordsPastCount(after.size()) > 0 && run.exitCode == 1) {
        Verdict(j.name, check, after == j.journal.bytes, "refused but changed the file");
        continue;
      }
      const std::string fault = CheckRelocated(j.journal, after, run, sff);
      Verdict(j.name, check, fault.empty(), fault);
    }
    WriteFileBytes(copy, j.journal.bytes);
    const CliRun show = RunCli({"show", copy, std::to_string(j.journal.layout.count)});
    Verdict(j.name, "show journal", show.exitCode == 0, Describe(show));
  }
}

// The literal normalising pass, marking and packing on a copy of the same bytes.
Bytes ReferenceDedupe(const TempDir& dir, const Bytes& table) {
  const std::string path = dir.File("reference.dbf");
  WriteFileBytes(path, ReferenceNormalize(table));
  TableEngine engine;
  if (reference::ReferenceMarkDuplicates(engine, path, 1) > 0)
    reference::ReferencePackMarked(engine, path, 1);
  return ReadFileBytes(path);
}

// Records stored past the header's count must survive a command or make it refuse.
bool KeptRecordsPastCount(const Journal& journal, const CliRun& run, const Bytes& after) {
  return run.exitCode == 1 && EndedCleanly(run) && after == journal.bytes;
}

TEST(Corpus, DedupeOnJournalCopiesEqualsTheLiteralOperation) {
  TempDir dir;
  for (const CorpusJournal& j : CorpusJournals()) {
    const std::string copy = dir.File(j.name);
    WriteFileBytes(copy, j.journal.bytes);
    const CliRun run = RunCli({"dedupe", copy});
    const Bytes after = ReadFileBytes(copy);
    if (j.journal.layout.RecordsPastCount(j.journal.bytes.size()) > 0) {
      Verdict(j.name, "journal dedupe", KeptRecordsPastCount(j.journal, run, after),
              Describe(run) + ", records past the count cut off");
      continue;
    }
    const Bytes expected = ReferenceDedupe(dir, j.journal.bytes);
    Verdict(j.name, "journal dedupe", run.exitCode == 0 && after == expected,
            Describe(run) + ", " + FirstDifference(expected, after, j.journal.layout));
  }
}

// The target holds the first half of a journal's records, the source all of them: the second
// half is appended and kept, the first half appended and deleted again as duplicates.
TEST(Corpus, AppendOnJournalCopiesEqualsTheLiteralOperation) {
  TempDir dir;
  for (const CorpusJournal& j : CorpusJournals()) {
    const std::string target = dir.File("target-" + j.name);
    const std::string source = dir.File("source-" + j.name);
    const Bytes targetBefore = FirstRecordsOnly(j.journal, (j.journal.layout.count + 1) / 2);
    WriteFileBytes(target, targetBefore);
    WriteFileBytes(source, j.journal.bytes);
    // A source holding records past its count is refused without the option; the literal
    // operation appends its counted records, as the window does.
    const CliRun run = RunCli({"append", target, source, "--ignore-extra-records"});
    const Bytes after = ReadFileBytes(target);
    Verdict(j.name, "journal append leaves the source", ReadFileBytes(source) == j.journal.bytes,
            "the source changed");
    const Bytes expected = ReferenceDedupe(dir, ReferenceAppend(targetBefore, j.journal.bytes));
    Verdict(j.name, "journal append", run.exitCode == 0 && after == expected,
            Describe(run) + ", " + FirstDifference(expected, after, j.journal.layout));
  }
}

}  // namespace
}  // namespace dbt::test
