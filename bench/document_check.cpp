#include "bench/document_check.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <vector>

#include "bench/journal_generator.h"
#include "bench/timing.h"
#include "cli/document_finder.h"
#include "cli/document_index.h"
#include "journal/record_scan.h"
#include "util/text.h"

namespace dbt::bench {
namespace {

// kDocFolders folders of kDocsPerFolder documents on the local disk, named in lower case, and a
// journal whose DATEI names them in upper case under E:\ (mapped to the tree), so that every
// lookup goes through the case-insensitive match.
constexpr int kDocFolders = 1000;
constexpr int kDocsPerFolder = 100;
constexpr int kHeaderLength = static_cast<int>(kGeneratedHeaderLength);
constexpr int kRecordLength = static_cast<int>(kGeneratedRecordLength);
constexpr int kPathOffset = static_cast<int>(kGeneratedPathOffset);
constexpr int kPathLength = static_cast<int>(kGeneratedPathLength);

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

// Record i names document i modulo the documents in the tree, in upper case, in folder (Archiv:
// where it lies; Alt: where it no longer is).
void PointJournalAtTree(const std::string& path, std::int64_t count,
                        const std::string& folder = "Archiv") {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  const std::int64_t docs = static_cast<std::int64_t>(kDocFolders) * kDocsPerFolder;
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t doc = i % docs;
    std::string datei =
        Upper("E:\\" + folder + "\\" + FolderName(doc / kDocsPerFolder) + "\\" + DocName(doc));
    datei.resize(kPathLength, ' ');
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

// relocate --find's lookup: the tree read into its index once, then every record looked up
// where it was (gone) and by its name.
void FindFigures(const std::string& table, const std::filesystem::path& root, std::int64_t count) {
  PointJournalAtTree(table, count, "Alt");
  const std::vector<cli::FolderMap> maps{cli::FolderMap{"E:", root.string()}};
  cli::DocumentIndex index(maps);
  const double walk = Seconds([&] { (void)index.AddTree((root / "archiv").string()); });
  TableEngine engine;
  RecordBuffer buffer;
  std::int64_t found = 0;
  const double lookup = Seconds([&] {
    cli::DocumentFinder finder(maps);
    std::vector<std::uint8_t> header;
    std::int64_t size = 0;
    if (!engine.OpenTable(table, 1, OpenAccess::Read, header, size).ok()) return;
    const int pathField = engine.FieldIndex(1, "DATEI");
    (void)journal_detail::ScanRecords(
        engine, 1, buffer,
        [&](std::int32_t) {
          const std::string& path = buffer.FieldValues[pathField];
          if (finder.Find(path) != cli::DocumentState::Missing) return;
          found += index.Named(FileNamePart(TrimTrailingNulBlank(path)), true).size() == 1;
        },
        {});
    engine.CloseTable(1);
  });
  Print("find_documents_found", static_cast<double>(found), "records");
  Print("find_walk_1000_folders", walk, "s");
  Print("find_lookup", lookup, "s");
  Print("find_records_per_s", static_cast<double>(count) / lookup, "records/s");
  Print("find_walk_and_lookup_records_per_s", static_cast<double>(count) / (walk + lookup),
        "records/s");
}

}  // namespace

void CheckFigures(const std::string& table, const std::string& folder, std::int64_t count) {
  const std::filesystem::path root = std::filesystem::path(folder) / "documents";
  std::filesystem::remove_all(root);
  WriteDocumentTree(root / "archiv");
  WriteGeneratedJournal(table, {count, 0.0, 0.0, 4, false});
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
  FindFigures(table, root, count);
  std::filesystem::remove_all(root);
}

}  // namespace dbt::bench
