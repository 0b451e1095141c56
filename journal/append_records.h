#pragma once
// The writing half of the append: the source's records behind the target's last record, so that
// whatever stops it (a crash, a power cut, a full disk) the target ends up either as it was or
// with every record appended.

#include <string>

#include "dbf/engine.h"
#include "journal/append.h"
#include "journal/open_table.h"

namespace dbt::journal_detail {

[[nodiscard]] bool AppendRecords(TableEngine& engine, TableHandle target, const RecordLayout& to,
                                 TableHandle source, const RecordLayout& from, TableFile& file,
                                 const std::string& targetPath, AppendResult& result,
                                 const Progress& progress, NormalizedTail* normalized);

}  // namespace dbt::journal_detail
