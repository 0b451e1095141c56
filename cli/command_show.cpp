#include <cstdio>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/table_probe.h"
#include "util/text.h"

namespace dbt::cli {
namespace {

// Control bytes would garble the terminal; they are shown by their number.
std::string Visible(std::string_view ansi) {
  std::string out;
  for (char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "<%02X>", byte);
      out += code;
    } else {
      out += c;
    }
  }
  return T(out);
}

std::string FlagMeaning(const std::string& flag) {
  if (flag == " ") return "live";
  if (flag == "*") return "deleted";
  if (flag == ":") return "marked as a duplicate by an interrupted run";
  return "unknown flag";
}

}  // namespace

int RunShow(const Options& options, TableEngine& engine) {
  RecordBuffer buffer;
  std::int32_t record = options.record;
  const ProbeResult probe =
      ProbeTable(engine, options.table, kTargetHandle, [&](TableEngine& e, TableHandle h) {
        if (record <= e.StoredRecordCount(h)) e.LoadRecord(h, record, buffer);
      });
  if (!probe.ok()) {
    return Refuse(options.table, OpenFailureText(probe.open.error, probe.open.detail));
  }
  const TableSummary& s = probe.summary;
  if (!s.journal) return Refuse(options.table, "not a journal: " + s.notJournal);
  if (s.records == 0) return Refuse(options.table, "the table has no records");
  // The window clamps a number past the end to the last record; a script should hear about it.
  if (options.record > s.records) {
    return Refuse(options.table, "no record " + std::to_string(options.record) +
                                     " (the table holds " + std::to_string(s.records) + ")");
  }
  Say("record " + std::to_string(record) + " of " + std::to_string(s.records));
  Say("deletion flag: \"" + Visible(buffer.DeletionFlag) + "\" (" +
      FlagMeaning(buffer.DeletionFlag) + ")");
  for (std::size_t k = 0; k < s.fields.size(); ++k) {
    Say("  " + T(s.fields[k].name) + " = \"" + Visible(buffer.FieldValues[k + 1]) + "\"");
  }
  Say("stored path: " + Visible(TrimTrailingNulBlank(buffer.FieldValues[s.pathField])));
  return kExitOk;
}

}  // namespace dbt::cli
