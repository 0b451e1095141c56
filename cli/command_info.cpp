#include <cstdio>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/table_probe.h"

namespace dbt::cli {
namespace {

std::string VersionText(std::uint8_t version) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", version);
  const bool memo = version == 0x83 || version == 0x8B;
  return std::string(hex) + (memo ? " (announces a memo file, which is never read)" : "");
}

std::string DateText(const DbfHeader& header) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u.%02u.%04u", header.bytes[3], header.bytes[2],
                1900u + header.bytes[1]);
  return text;
}

}  // namespace

int RunInfo(const Options& options, TableEngine& engine) {
  const ProbeResult probe = ProbeTable(engine, options.table, kTargetHandle);
  if (!probe.ok()) {
    return Refuse(options.table, OpenFailureText(probe.open.error, probe.open.detail));
  }
  const TableSummary& s = probe.summary;
  Say("table:       " + options.table);
  Say("version:     " + VersionText(s.header.Version()));
  Say("last update: " + DateText(s.header));
  Say("records:     " + std::to_string(s.records));
  if (s.recordsPastCount > 0) {
    Say("past count:  " + std::to_string(s.recordsPastCount) + " more whole records (" +
        RecordsPastCountText(s) + "; dBase and the window leave them out)");
  }
  if (s.headerCount > static_cast<std::uint32_t>(s.records)) {
    Say("cut short:   " + CutShortText(s) + " (dBase and the window see " +
        std::to_string(s.records) + ")");
  }
  Say("fields:      " + std::to_string(s.fields.size()));
  for (std::size_t k = 0; k < s.fields.size(); ++k) {
    const FieldInfo& f = s.fields[k];
    char line[64];
    std::snprintf(line, sizeof line, "  %3zu  %c %3d %2d  ", k + 1, f.type, f.length, f.decimals);
    Say(line + T(f.name));
  }
  if (s.journal) {
    Say("journal:     yes (path field DATEI is field " + std::to_string(s.pathField) + ")");
  } else {
    Say("journal:     no: " + s.notJournal);
  }
  return kExitOk;
}

}  // namespace dbt::cli
