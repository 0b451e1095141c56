#include "cli/arguments_more.h"

#include <string_view>

#include "cli/terminal.h"

namespace dbt::cli::arguments_detail {
namespace {

bool Writes(CommandKind kind) {
  return kind == CommandKind::Relocate || kind == CommandKind::Append ||
         kind == CommandKind::Dedupe;
}

// --name VALUE or --name=VALUE; false (error set) when the value is missing.
bool ValueOf(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
             std::string& value, std::string& error) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  if (i + 1 >= args.size()) {
    error = std::string(name) + " needs a value";
    return false;
  }
  value = args[++i];
  return true;
}

bool Named(const std::string& arg, std::string_view name) {
  return arg == name || (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
                         arg[name.size()] == '=');
}

Taken TakeMap(const std::vector<std::string>& args, std::size_t& i, Options& options,
              std::string& error) {
  std::string value;
  if (!ValueOf(args, i, "--map", value, error)) return Taken::Failed;
  const std::size_t eq = value.find('=');
  if (eq == std::string::npos) {
    error = "--map needs PREFIX=FOLDER (for example 'E:\\=/srv/fax'), not '" + value + "'";
    return Taken::Failed;
  }
  const AnsiText prefix = TerminalToAnsi(value.substr(0, eq));
  if (!prefix.ok()) {
    error = "the prefix after --map " + prefix.error;
    return Taken::Failed;
  }
  const ParsedFolderMap parsed = ParseFolderMap(prefix.text, value.substr(eq + 1));
  if (!parsed.error.empty()) {
    error = "--map '" + value + "' " + parsed.error;
    return Taken::Failed;
  }
  options.maps.push_back(parsed.map);
  return Taken::Taken;
}

}  // namespace

Taken TakeMoreOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                     std::string& error) {
  const std::string& arg = args[i];
  const CommandKind kind = options.kind;
  if (arg == "--backup" && Writes(kind)) {
    options.backup = true;
    return Taken::Taken;
  }
  if (arg == "--check" && kind == CommandKind::Relocate) {
    options.check = true;
    return Taken::Taken;
  }
  if (Named(arg, "--map") && (kind == CommandKind::Relocate || kind == CommandKind::Check)) {
    return TakeMap(args, i, options, error);
  }
  if (Named(arg, "--from") && kind == CommandKind::Relocate) {
    std::string value;
    if (!ValueOf(args, i, "--from", value, error)) return Taken::Failed;
    const AnsiText folder = TerminalToAnsi(value);
    if (!folder.ok()) {
      error = "the folder after --from " + folder.error;
      return Taken::Failed;
    }
    options.fromFolder = folder.text;
    // A folder of backslashes alone would match every path.
    if (folder.text.find_first_not_of(std::string_view("\\ \0", 3)) == std::string::npos) {
      error = "--from needs a folder";
      return Taken::Failed;
    }
    return Taken::Taken;
  }
  if (Named(arg, "--find") && kind == CommandKind::Relocate) {
    std::string folder;
    if (!ValueOf(args, i, "--find", folder, error)) return Taken::Failed;
    if (folder.empty()) {
      error = "--find needs a folder";
      return Taken::Failed;
    }
    options.findFolders.push_back(folder);
    return Taken::Taken;
  }
  return Taken::NotMine;
}

std::string CheckMoreOptions(const Options& options) {
  if (options.check && !options.dryRun) {
    return "--check goes with --dry-run; after the change, run check";
  }
  if (options.backup && options.dryRun)
    return "--dry-run writes nothing, so --backup is not needed";
  const bool finds = !options.findFolders.empty();
  if (finds && (!options.targetFolder.empty() || !options.fromFolder.empty())) {
    return "--find writes the path where each document lies; it goes without --to and --from";
  }
  if (!options.maps.empty() && options.kind == CommandKind::Relocate && !options.check && !finds) {
    return "--map goes with --check or --find";
  }
  return {};
}

}  // namespace dbt::cli::arguments_detail
