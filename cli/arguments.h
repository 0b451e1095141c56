#pragma once
// The command line of dbasetool-cli, checked before any table is touched.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/document_finder.h"

namespace dbt::cli {

enum class CommandKind { Help, Version, Info, Show, Relocate, Append, Dedupe, Check };

struct Options {
  CommandKind kind = CommandKind::Help;
  std::string table;                // the host's own path
  std::string source;               // append: the host's own path
  std::int32_t record = 0;          // show, relocate --record; 0 when not given
  std::string targetFolder;         // relocate --to, code page 1252, ending in one "\"
  bool renameToSff = false;         // relocate --sff
  bool dryRun = false;              // relocate --dry-run
  bool ignoreExtraRecords = false;  // relocate, append, dedupe --ignore-extra-records

  // Moving trees, looking documents up, keeping a backup.
  std::string fromFolder;       // relocate --from, code page 1252; empty: the folder-part rule
  bool check = false;           // relocate --dry-run --check
  std::vector<FolderMap> maps;  // check, relocate --check: --map PREFIX=FOLDER
  bool backup = false;          // relocate, append, dedupe --backup
  std::vector<std::string> findFolders;  // relocate --find, the host's own paths
};

struct [[nodiscard]] ParsedArguments {
  Options options;
  std::string error;  // a usage error, for one line on stderr
  bool ok() const { return error.empty(); }
};

// args without the program name, in the terminal's encoding.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

[[nodiscard]] std::string UsageText();

}  // namespace dbt::cli
