#include "util/text.h"

#include <array>
#include <cstdint>

#include "util/system_upper_case.h"

namespace dbt {
namespace {

// Code page 1252 has a fixed set of case pairs, so a table gives the same bytes as the system
// without asking it: the ASCII letters, the Latin-1 letters 0xE0-0xFE apart from the division
// sign, and the three pairs that the code page moved into 0x80-0x9F (š œ ž) plus ÿ, whose
// capital lives there too. ß and µ have no capital in the code page and stay.
constexpr std::array<unsigned char, 256> MakeUpperTable() {
  std::array<unsigned char, 256> table{};
  for (unsigned c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (unsigned c = 'a'; c <= 'z'; ++c) table[c] = static_cast<unsigned char>(c - 0x20);
  for (unsigned c = 0xE0; c <= 0xFE; ++c) {
    if (c != 0xF7) table[c] = static_cast<unsigned char>(c - 0x20);
  }
  table[0x9A] = 0x8A;
  table[0x9C] = 0x8C;
  table[0x9E] = 0x8E;
  table[0xFF] = 0x9F;
  return table;
}

constexpr std::array<unsigned char, 256> kUpper = MakeUpperTable();

constexpr std::string_view kFolderEnds = ":\\";

bool IsNulOrBlank(char c) {
  return c == '\0' || c == ' ';
}

}  // namespace

std::string UpperAnsi(std::string_view text) {
  std::string upper(text);
  if (UpperCaseBySystem(upper)) return upper;
  for (char& c : upper) c = static_cast<char>(kUpper[static_cast<unsigned char>(c)]);
  return upper;
}

std::string FolderOf(std::string_view path) {
  const std::size_t end = path.find_last_of(kFolderEnds);
  if (end == std::string_view::npos) return {};
  return std::string(path.substr(0, end + 1));
}

std::string FileNameOf(std::string_view path) {
  return std::string(FileNamePart(path));
}

std::string_view FileNamePart(std::string_view path) {
  const std::size_t end = path.find_last_of(kFolderEnds);
  if (end == std::string_view::npos) return path;
  return path.substr(end + 1);
}

std::size_t ExtensionDot(std::string_view path) {
  // Only a dot in the file-name part is an extension: D:\my.dir\doc must not become D:\my.sff,
  // which names a different file. A name without one, and an empty name, stay as they are, so
  // the proposed path and the stored change agree whatever order they take the steps in.
  const std::size_t dot = path.rfind('.');
  const std::size_t folderEnd = path.find_last_of(kFolderEnds);
  const bool nameHasDot =
      dot != std::string_view::npos && (folderEnd == std::string_view::npos || dot > folderEnd);
  return nameHasDot ? dot : std::string_view::npos;
}

std::string ReplaceExtension(std::string_view path, std::string_view newExtension) {
  const std::size_t dot = ExtensionDot(path);
  if (dot == std::string_view::npos) return std::string(path);
  std::string result(path.substr(0, dot + 1));
  result += newExtension;
  return result;
}

std::string DriveRoot(std::string_view path) {
  const std::string upper = UpperAnsi(TrimNulBlank(path));
  if (upper.size() < 2) return {};
  if (upper[0] < 'A' || upper[0] > 'Z' || upper[1] != ':') return {};
  return upper.substr(0, 2) + "\\";
}

void EnsureTrailingBackslash(std::string& folder) {
  if (folder.empty()) return;
  while (folder.size() >= 2 && folder.ends_with("\\\\")) folder.pop_back();
  if (!folder.ends_with('\\')) folder += '\\';
}

std::string TrimNulBlank(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsNulOrBlank(text[begin])) ++begin;
  return TrimTrailingNulBlank(text.substr(begin));
}

std::string TrimTrailingNulBlank(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsNulOrBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

}  // namespace dbt
