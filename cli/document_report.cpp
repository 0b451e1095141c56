#include "cli/document_report.h"

#include "cli/console.h"
#include "cli/folder_listing.h"

namespace dbt::cli {

const char* StateText(DocumentState state) {
  switch (state) {
    case DocumentState::Present:
      return "present";
    case DocumentState::Missing:
      return "missing";
    case DocumentState::NotChecked:
      break;
  }
  return "not checked";
}

void DocumentTally::Add(DocumentState state, std::int32_t record, const std::string& ansiPath) {
  switch (state) {
    case DocumentState::Present:
      ++present;
      return;
    case DocumentState::Missing:
      ++missing;
      return;
    case DocumentState::NotChecked:
      if (notChecked++ == 0)
        firstNotChecked = "record " + std::to_string(record) + ": " + T(ansiPath);
      return;
  }
}

std::string DocumentTally::Summary() const {
  return "documents " + std::to_string(present) + " present, " + std::to_string(missing) +
         " missing, " + std::to_string(notChecked) + " not checked";
}

std::string DocumentTally::NotCheckedHint() const {
  if (notChecked == 0) return {};
  const std::string why = JournalPathsAreNative() ? "an empty path or one without drive or share"
                                                  : "an empty path or one under no --map prefix";
  return "not checked: " + why + " (first " + firstNotChecked + ")";
}

}  // namespace dbt::cli
