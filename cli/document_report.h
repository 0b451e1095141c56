#pragma once
// How check and the checked dry run count and name what they found.

#include <cstdint>
#include <string>

#include "cli/document_finder.h"

namespace dbt::cli {

[[nodiscard]] const char* StateText(DocumentState state);  // "present", "missing", "not checked"

struct DocumentTally {
  std::int64_t present = 0;
  std::int64_t missing = 0;
  std::int64_t notChecked = 0;
  std::string firstNotChecked;  // "record N: PATH", for the hint

  void Add(DocumentState state, std::int32_t record, const std::string& ansiPath);
  // "documents P present, M missing, K not checked"
  [[nodiscard]] std::string Summary() const;
  // Why some were not checked, with an example; empty when all were.
  [[nodiscard]] std::string NotCheckedHint() const;
};

}  // namespace dbt::cli
