#pragma once
// The documented marking and packing, literally and slowly: every pair compared, one open,
// write and close per mark, and each removal shifting all later records down by one slot.
// The fast operations must leave exactly the bytes these leave.

#include <cstdint>
#include <string>

#include "dbf/engine.h"

namespace dbt::reference {

std::int32_t ReferenceMarkDuplicates(TableEngine& engine, const std::string& path,
                                     TableHandle table);
int ReferencePackMarked(TableEngine& engine, const std::string& path, TableHandle table);

}  // namespace dbt::reference
