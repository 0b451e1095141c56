#include "journal/path_prefix.h"

#include "util/text.h"

namespace dbt {
namespace {

std::string WithoutTrailingBackslash(std::string_view text) {
  std::string folder = TrimNulBlank(text);
  EnsureTrailingBackslash(folder);
  if (!folder.empty()) folder.pop_back();
  return folder;
}

}  // namespace

PrefixRule MakePrefixRule(std::string_view from, std::string_view to, bool renameToSff) {
  PrefixRule rule;
  rule.from = WithoutTrailingBackslash(from);
  rule.fromUpper = UpperAnsi(rule.from);
  rule.to = WithoutTrailingBackslash(to);
  const std::string toUpper = UpperAnsi(rule.to);
  if (toUpper.size() > rule.fromUpper.size() && StartsWithFolder(toUpper, rule.fromUpper)) {
    rule.toInsideFromUpper = toUpper;
  }
  rule.renameToSff = renameToSff;
  return rule;
}

bool StartsWithFolder(std::string_view path, std::string_view folderUpper) {
  if (folderUpper.empty() || path.size() < folderUpper.size()) return false;
  if (path.size() > folderUpper.size() && path[folderUpper.size()] != '\\') return false;
  return UpperAnsi(path.substr(0, folderUpper.size())) == folderUpper;
}

std::optional<std::string> MovedPath(std::string_view source, const PrefixRule& rule) {
  const std::string path = TrimTrailingNulBlank(source);
  if (!rule.valid() || !StartsWithFolder(path, rule.fromUpper)) return std::nullopt;
  if (StartsWithFolder(path, rule.toInsideFromUpper)) return std::nullopt;
  std::string moved = rule.to + path.substr(rule.from.size());
  // Only a document name is given the new extension, never the moved folder itself.
  if (rule.renameToSff && moved.size() > rule.to.size()) {
    moved = ReplaceExtension(moved, rule.newExtension);
  }
  return moved;
}

}  // namespace dbt
