#include "cli/backup.h"

#include <algorithm>
#include <vector>

#include "cli/console.h"
#include "cli/exit_codes.h"

namespace dbt::cli {
namespace {

// Many backups within one second are possible only from a script gone round in circles.
constexpr int kMaxTries = 100;

std::string BackupStem(const std::string& table) {
  const std::size_t nameStart = table.find_last_of("/\\:") + 1;  // npos + 1 is 0
  const std::size_t dot = table.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) return table;
  return table.substr(0, dot);
}

}  // namespace

namespace backup_detail {

bool CopyBytes(TableFile& table, const std::string& tableName, std::string& error,
               const std::function<bool(std::span<const std::uint8_t>)>& write) {
  std::vector<std::uint8_t> buffer(1 << 20);
  const std::uint64_t size = table.Size();
  for (std::uint64_t offset = 0; offset < size;) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - offset));
    const std::size_t got = table.ReadAt(offset, std::span(buffer.data(), want));
    if (got != want) {
      error = tableName + ": could not be read";
      return false;
    }
    offset += got;
    if (!write(std::span<const std::uint8_t>(buffer.data(), got))) return false;
  }
  return true;
}

}  // namespace backup_detail

int BackUpTable(const std::string& table, TableFile& held) {
  const std::string stem = BackupStem(table) + "." + backup_detail::LocalTimestamp();
  for (int n = 1; n <= kMaxTries; ++n) {
    const std::string copy = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".bak";
    std::string error;
    switch (backup_detail::CopyNewFile(held, table, copy, error)) {
      case backup_detail::CopyOutcome::Copied:
        Say(table + ": backup " + copy);
        return kExitOk;
      case backup_detail::CopyOutcome::NameTaken:
        continue;
      case backup_detail::CopyOutcome::Failed:
        return Refuse(table, "no backup could be made (" + error + "); nothing written");
    }
  }
  return Refuse(table, "no backup could be made (" + stem + ".bak and " +
                           std::to_string(kMaxTries - 1) +
                           " more names are taken); nothing written");
}

}  // namespace dbt::cli
