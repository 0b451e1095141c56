#pragma once
// The copy of a table that --backup makes beside it before the first write.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "dbf/table_file.h"

namespace dbt::cli {

// Copies the table to NAME.YYYYMMDD-HHMMSS.bak beside it (NAME: the file name without its
// extension; -2, -3 ... added when that name is taken, never overwriting a file). Returns
// kExitOk and says the copy's name, or refuses (one line, kExitRefused) when no complete copy
// could be made; then no copy is left behind. The bytes are read through held, the open that the
// command holds, since no second open of the table succeeds while it is held.
[[nodiscard]] int BackUpTable(const std::string& table, TableFile& held);

// The platform's side.
namespace backup_detail {

// Local time as YYYYMMDD-HHMMSS.
[[nodiscard]] std::string LocalTimestamp();

enum class [[nodiscard]] CopyOutcome{Copied, NameTaken, Failed};

// Reads every byte of table (named tableName) through the open that holds it, block by block,
// and hands each block to write, which says why in error and returns false when the copy did not
// take all of it. A short read fails the copy as well.
bool CopyBytes(TableFile& table, const std::string& tableName, std::string& error,
               const std::function<bool(std::span<const std::uint8_t>)>& write);

// Creates copy exclusively, writes every byte of table (named tableName) into it and flushes it
// to the disk; on Failed, error says why and the partial copy is removed.
CopyOutcome CopyNewFile(TableFile& table, const std::string& tableName, const std::string& copy,
                        std::string& error);

}  // namespace backup_detail
}  // namespace dbt::cli
