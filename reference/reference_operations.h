#pragma once
// The maintenance operations as documented, record by record and slowly: one read and one
// write per record, every field converted by the literal field rules (literal_field.h), never
// by the engine's record conversion. The engine serves only to open tables (so that both sides
// accept and refuse the same files) and for positioned reads and writes. The fast operations
// must leave exactly the bytes these leave.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"

namespace dbt::reference {

// The new path of a DATEI text: the folder, then the text after its last ":" or "\", with the
// extension of that name replaced by "sff" when asked (a name without "." keeps its name);
// trailing NUL and blanks removed.
std::string NewPath(const std::string& storedPath, const std::string& targetFolder, bool sff);

struct AllPathsResult {
  bool written = false;  // the table was opened and had a DATEI field
  std::int32_t changed = 0;
  std::vector<std::int32_t> tooLong;  // records left as they were
};
// Every record: DATEI takes the new path of its stored path and the record is made live; one whose
// new path does not fit DATEI stays exactly as it was. The header is stamped at the end.
AllPathsResult ChangeAllPaths(TableEngine& engine, const std::string& path, TableHandle table,
                              const std::string& targetFolder, bool sff);

// One record (clamped to the table) gets the new path of its own stored path and is made
// live, unless the path does not fit; 1 when it was stored.
int ChangeOnePath(TableEngine& engine, const std::string& path, TableHandle table,
                  std::int32_t record, const std::string& targetFolder, bool sff);

// Record n gets newPath in DATEI and is made live, unless the path does not fit; the header is
// stamped. 1 when it was stored.
int StorePath(TableEngine& engine, const std::string& path, TableHandle table, std::int32_t record,
              const std::string& newPath);

// Every record live, trailing NUL, LF, CR and blanks cut from the first field named ERROR.
// The record count, or -1 when the table could not be opened.
std::int32_t NormalizeRecords(TableEngine& engine, const std::string& path, TableHandle table);

// NormalizeRecords, then the literal marking, then the literal packing when anything was
// marked; the number of records removed.
std::int32_t DeleteDuplicates(TableEngine& engine, const std::string& path, TableHandle table);

// The source's records copied one by one behind the target's, each followed by 0x1A, the file
// cut after the last, the count and date set. 1 when appended (or the source was empty), 0
// when the tables are the same file or not compatible.
int AppendTable(TableEngine& engine, const std::string& targetPath, TableHandle target,
                const std::string& sourcePath, TableHandle source);

}  // namespace dbt::reference
