#pragma once
// A look at a table through a read-only open: what info reports and what the writing commands
// check before they change anything.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "dbf/engine.h"
#include "journal/table_session.h"

namespace dbt::cli {

inline constexpr TableHandle kTargetHandle = 1;
inline constexpr TableHandle kSourceHandle = 2;

struct FieldInfo {
  std::string name;  // ANSI, as FieldName gives it
  char type = 'C';
  int length = 0;
  int decimals = 0;
};

struct TableSummary {
  DbfHeader header;
  std::int32_t records = 0;
  std::int64_t recordsPastCount = 0;  // whole records the file holds after the counted ones
  // The count the header states; above records when the file was cut short (the engine takes
  // the whole records the file holds).
  std::uint32_t headerCount = 0;
  std::vector<FieldInfo> fields;
  int pathField = 0;       // the field DATEI, 0 when there is none
  bool journal = false;    // first field DATUM and a field DATEI, as the window accepts it
  std::string notJournal;  // why not, when journal is false
};

struct [[nodiscard]] ProbeResult {
  TableOpenResult open;
  TableSummary summary;
  bool ok() const { return open.ok(); }
};

// Opens path read-only under handle, runs whileOpen (if given) on the open table, closes it.
ProbeResult ProbeTable(TableEngine& engine, const std::string& path, TableHandle handle,
                       const std::function<void(TableEngine&, TableHandle)>& whileOpen = {});

// For the writing commands: probe, refuse (one line, returns kExitRefused) when the table
// cannot be opened or is no journal; 0 when it may be worked on.
[[nodiscard]] int RequireJournal(TableEngine& engine, const std::string& path,
                                 TableSummary& summary);

// For the writing commands: the table held open for writing, exclusively, until session ends,
// so that every step of the command uses this one open (and what an interrupted change left is
// finished first); refuses (returns kExitRefused) when it cannot be held.
[[nodiscard]] int HoldTable(TableEngine& engine, const std::string& path, TableSession& session);

// For the writing commands: refuse (one line, kExitRefused) a table whose file holds records
// past the header's count, or fewer than it counts, unless the options say to go on as the
// window does; 0 otherwise.
[[nodiscard]] int RefuseRecordsPastCount(const Options& options, const TableSummary& summary);
// The same for the source of an append: refused, naming options.source, when it holds records
// past its count or fewer than it counts, since only its counted whole records would be appended.
[[nodiscard]] int RefuseSourceRecordsPastCount(const Options& options, const TableSummary& source);

// "the header counts 2 records, but the file holds 5 whole records", for info and refusals.
[[nodiscard]] std::string RecordsPastCountText(const TableSummary& summary);
// "the header counts 4 records, but the file holds only 3 whole ones", for info and refusals.
[[nodiscard]] std::string CutShortText(const TableSummary& summary);

}  // namespace dbt::cli
