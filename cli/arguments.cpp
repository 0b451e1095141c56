#include "cli/arguments.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "cli/arguments_more.h"
#include "cli/terminal.h"
#include "util/text.h"

namespace dbt::cli {
namespace {

std::optional<CommandKind> KindOf(std::string_view name) {
  if (name == "info") return CommandKind::Info;
  if (name == "show") return CommandKind::Show;
  if (name == "relocate") return CommandKind::Relocate;
  if (name == "append") return CommandKind::Append;
  if (name == "dedupe") return CommandKind::Dedupe;
  if (name == "check") return CommandKind::Check;
  return std::nullopt;
}

bool ParseRecordNumber(std::string_view text, std::int32_t& number) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  return ec == std::errc() && end == text.data() + text.size() && number >= 1;
}

bool IsHelp(std::string_view arg) {
  return arg == "--help" || arg == "-h";
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  ParsedArguments Run() {
    for (const auto& arg : args_) {
      if (IsHelp(arg)) return result_;  // Help whatever else was given
    }
    if (args_.size() == 1 && args_[0] == "--version") {
      result_.options.kind = CommandKind::Version;
      return result_;
    }
    if (args_.empty()) return Fail("no command given");
    const auto kind = KindOf(args_[0]);
    if (!kind) return Fail("unknown command '" + args_[0] + "'");
    result_.options.kind = *kind;
    for (std::size_t i = 1; i < args_.size(); ++i) {
      if (!Take(i)) return result_;
    }
    return Finish();
  }

 private:
  ParsedArguments Fail(const std::string& message) {
    result_.error = message;
    return result_;
  }
  bool Error(const std::string& message) {
    result_.error = message;
    return false;
  }

  // One argument at i (and its value, advancing i); false once an error is recorded.
  bool Take(std::size_t& i) {
    const std::string& arg = args_[i];
    Options& o = result_.options;
    if (arg.size() > 1 && arg[0] == '-') {
      const bool writes = o.kind == CommandKind::Relocate || o.kind == CommandKind::Append ||
                          o.kind == CommandKind::Dedupe;
      if (arg == "--ignore-extra-records" && writes) {
        o.ignoreExtraRecords = true;
        return true;
      }
      using arguments_detail::Taken;
      switch (arguments_detail::TakeMoreOption(args_, i, o, result_.error)) {
        case Taken::Taken:
          return true;
        case Taken::Failed:
          return false;
        case Taken::NotMine:
          break;
      }
      if (o.kind != CommandKind::Relocate) return Error("unknown option '" + arg + "'");
      return TakeRelocateOption(i);
    }
    positional_.push_back(arg);
    return true;
  }

  bool TakeRelocateOption(std::size_t& i) {
    std::string arg = args_[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    Options& o = result_.options;
    if ((arg == "--sff" || arg == "--dry-run") && !inlineValue) {
      (arg == "--sff" ? o.renameToSff : o.dryRun) = true;
      return true;
    }
    if (arg != "--to" && arg != "--record") return Error("unknown option '" + args_[i] + "'");
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args_.size()) return Error(arg + " needs a value");
      value = args_[++i];
    }
    if (arg == "--record") {
      if (!ParseRecordNumber(value, o.record)) {
        return Error("--record needs a record number of 1 or more, not '" + value + "'");
      }
      return true;
    }
    const AnsiText folder = TerminalToAnsi(value);
    if (!folder.ok()) return Error("the folder after --to " + folder.error);
    o.targetFolder = TrimNulBlank(folder.text);
    if (o.targetFolder.empty()) return Error("--to needs a folder");
    EnsureTrailingBackslash(o.targetFolder);
    toGiven_ = true;
    return true;
  }

  ParsedArguments Finish() {
    Options& o = result_.options;
    const std::string& name = args_[0];
    std::size_t wanted = 1;
    std::size_t optional = 0;
    if (o.kind == CommandKind::Append) wanted = 2;
    if (o.kind == CommandKind::Show) optional = 1;
    if (positional_.size() < wanted) {
      return Fail(name + " needs " + (wanted == 2 ? "a TABLE and a SOURCE" : "a TABLE"));
    }
    if (positional_.size() > wanted + optional) {
      return Fail("unexpected argument '" + positional_[wanted + optional] + "'");
    }
    o.table = positional_[0];
    if (o.kind == CommandKind::Append) o.source = positional_[1];
    if (o.kind == CommandKind::Show) {
      o.record = 1;
      if (positional_.size() == 2 && !ParseRecordNumber(positional_[1], o.record)) {
        return Fail("show needs a record number of 1 or more, not '" + positional_[1] + "'");
      }
    }
    if (o.kind == CommandKind::Relocate && !toGiven_ && o.findFolders.empty()) {
      return Fail("relocate needs --to FOLDER or --find FOLDER");
    }
    if (std::string more = arguments_detail::CheckMoreOptions(o); !more.empty()) return Fail(more);
    return result_;
  }

  const std::vector<std::string>& args_;
  ParsedArguments result_;
  std::vector<std::string> positional_;
  bool toGiven_ = false;
};

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
  return Parser(args).Run();
}

std::string UsageText() {
  return "Usage: dbasetool-cli COMMAND ...\n"
         "       dbasetool-cli --version\n"
         "Maintains the journal table (dBase III Plus .dbf) of the fax application.\n"
         "\n"
         "  info TABLE          version, date of last update, records, fields, and whether\n"
         "                      TABLE is a journal (first field DATUM, a field DATEI)\n"
         "  show TABLE [N]      record N (default 1): deletion flag, fields, stored path\n"
         "  relocate TABLE --to FOLDER [--sff] [--record N] [--dry-run]\n"
         "                      the folder part of DATEI becomes FOLDER, as the fax\n"
         "                      application sees it (for example E:\\Neu), for every record\n"
         "                      or record N; --sff gives each document name the extension\n"
         "                      sff; --dry-run lists old and new paths and writes nothing\n"
         "  append TABLE SOURCE appends the records of SOURCE (same layout), then deletes\n"
         "                      the duplicates\n"
         "  dedupe TABLE        deletes the records equal to an earlier record\n"
         "  relocate TABLE --from OLD --to NEW [--sff] [--record N] [--dry-run [--check]]\n"
         "                      moves a folder tree: DATEI under OLD (as Windows compares\n"
         "                      paths) gets NEW in place of OLD, sub-folders and name kept;\n"
         "                      other records are left exactly as they are\n"
         "  relocate TABLE --find FOLDER [--find FOLDER ...] [--sff] [--record N]\n"
         "         [--dry-run] [--map PREFIX=FOLDER ...]\n"
         "                      finds each missing document by its name: looks in the trees\n"
         "                      under the FOLDERs for a file of that name (any case; with\n"
         "                      --sff NAME.sff as well) and, when there is exactly one, gives\n"
         "                      DATEI its path, off Windows through the --map prefix that\n"
         "                      holds it; records whose document is there, or is found twice\n"
         "                      or not at all, are left exactly as they are (and listed)\n"
         "  check TABLE [--map PREFIX=FOLDER ...]\n"
         "                      lists the records whose document does not exist; never\n"
         "                      writes. Off Windows, --map says where a drive or share lies\n"
         "                      here ('E:\\=/srv/fax'); names match in any case, as on Windows\n"
         "  --check (with relocate --dry-run and the same --map) looks up each new path;\n"
         "                      relocate --find takes --map as well\n"
         "  --backup (relocate, append, dedupe) first copies TABLE to\n"
         "                      NAME.YYYYMMDD-HHMMSS.bak beside it, or refuses\n"
         "\n"
         "relocate, append and dedupe make every record live, including records deleted in\n"
         "dBase. They refuse a table whose file holds records past the count in its header,\n"
         "or fewer whole records than it counts (info shows both): --ignore-extra-records\n"
         "goes on anyway, as the window does, with the whole records the header counts;\n"
         "append then writes over the records past the count and dedupe cuts them off.\n"
         "\n"
         "After moving an archive from C:\\Fax to E:\\Archiv\\Fax:\n"
         "  dbasetool-cli relocate journal.dbf --from 'C:\\Fax' --to 'E:\\Archiv\\Fax' \\\n"
         "      --dry-run --check --map 'E:\\=/srv/e'   # until no document is missing\n"
         "  dbasetool-cli relocate journal.dbf --from 'C:\\Fax' --to 'E:\\Archiv\\Fax' --backup\n"
         "  dbasetool-cli check journal.dbf --map 'E:\\=/srv/e'\n"         "After sorting it anew into folders by year, part of it renamed to .sff:\n"
         "  dbasetool-cli relocate journal.dbf --find /srv/e/Archiv --sff \\\n"
         "      --map 'E:\\=/srv/e' --dry-run           # lists found, ambiguous, not found\n"
         "  dbasetool-cli relocate journal.dbf --find /srv/e/Archiv --sff \\\n"
         "      --map 'E:\\=/srv/e' --backup\n"
         "  (on Windows: --find E:\\Archiv, without --map)\n"
         "\n"
         "Only relocate, append and dedupe write, and only to TABLE (and its backup); no\n"
         "document file is touched. Exit codes: 0 done; 1 refused, nothing written; 2 usage\n"
         "error; 3 some records kept their path because the new one does not fit DATEI;\n"
         "4 some documents are missing (check, --check, --find).\n";
}

}  // namespace dbt::cli
