#pragma once
// Moving a whole folder tree: the folder OLD at the start of a path becomes NEW, the sub-folders
// and the file name after it are kept. Paths are compared as Windows compares them.

#include <optional>
#include <string>
#include <string_view>

namespace dbt {

struct PrefixRule {
  std::string from;       // without trailing "\"; never empty in a valid rule
  std::string fromUpper;  // from by UpperAnsi, compared against each path
  std::string to;         // without trailing "\" (may be empty: "\" alone)
  // to by UpperAnsi when it lies inside from (C:\Fax into C:\Fax\Archiv), else empty: a path
  // already there is where the move puts paths, and is left alone, so that a second run (after
  // an interrupted one, say) does not move the moved paths again.
  std::string toInsideFromUpper;
  bool renameToSff = false;
  std::string newExtension = "sff";
  bool valid() const { return !from.empty(); }
};

// from and to with or without their trailing backslash; an empty or "\"-only from gives an
// invalid rule, since every path would match it.
[[nodiscard]] PrefixRule MakePrefixRule(std::string_view from, std::string_view to,
                                        bool renameToSff);

// True when path starts with the folder text (already without trailing "\", upper-cased) at a
// folder boundary: C:\Fax matches C:\FAX\a.pdf and C:\Fax itself, not C:\Faxalt\a.pdf.
[[nodiscard]] bool StartsWithFolder(std::string_view path, std::string_view folderUpper);

// The moved path (trailing NUL and blanks of source ignored), or nothing when source does not
// start with the rule's folder.
[[nodiscard]] std::optional<std::string> MovedPath(std::string_view source, const PrefixRule& rule);

}  // namespace dbt
