#include "dialogs/file_dialog_logic.h"

#include <algorithm>

namespace dbt {
namespace {

constexpr std::string_view kOpenTitle =
    " Datei \xD6"
    "ffnen ";
constexpr std::string_view kSaveTitle = " Datei Speichern ";
constexpr std::string_view kAllFilesEntry = "All Files (*.*)|*.*||";

char UpperAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string UpperAsciiLetters(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperAsciiLetter);
  return upper;
}

// The start text up to and including its first NUL, or with a NUL appended, padded with blanks.
std::string FileBuffer(std::string_view startFile, std::size_t sizeWithNul,
                       std::size_t sizeWithoutNul) {
  const std::size_t nul = startFile.find('\0');
  std::string buffer;
  std::size_t size = sizeWithoutNul;
  if (nul != std::string_view::npos) {
    buffer.assign(startFile.substr(0, nul + 1));
    size = sizeWithNul;
  } else {
    buffer.assign(startFile);
    buffer.push_back('\0');
  }
  if (buffer.size() < size) buffer.append(size - buffer.size(), ' ');
  return buffer;
}

}  // namespace

std::string FileDialogTitle(std::string_view mode) {
  if (mode.empty()) return std::string();
  const char first = UpperAsciiLetter(mode.front());
  if (first == 'O' || first == '\xD6' || first == 'L') return std::string(kOpenTitle);
  if (first == 'S') return std::string(kSaveTitle);
  return std::string(mode);
}

bool IsSaveTitle(std::string_view title) {
  const std::string upper = UpperAsciiLetters(title);
  return upper.find("SPEICHERN") != std::string::npos || upper.find("SAVE") != std::string::npos;
}

std::uint32_t OpenDialogFlags(std::uint32_t callerFlags) {
  return callerFlags | kFileDialogFlags;
}

std::uint32_t SaveDialogFlags(std::uint32_t callerFlags) {
  return OpenDialogFlags(callerFlags) | kOfnOverwritePrompt;
}

std::string CompleteFilter(std::string_view filter) {
  if (UpperAsciiLetters(filter).find("|*.*|") != std::string::npos) return std::string(filter);
  std::string completed(filter);
  completed.append(kAllFilesEntry);
  return completed;
}

std::string FilterList(std::string_view filter) {
  std::string list(filter);
  std::replace(list.begin(), list.end(), '|', '\0');
  list.push_back('\0');
  return list;
}

std::string OpenFileBuffer(std::string_view startFile) {
  // A start text too long for the buffer is cut, so that the buffer never outgrows its size.
  const std::string_view fitting = startFile.substr(0, kOpenFileBufferSize - 1);
  return FileBuffer(fitting, kOpenFileBufferSize, kOpenFileBufferSize);
}

std::string SaveFileBuffer(std::string_view startFile) {
  return FileBuffer(startFile.substr(0, kSaveStartTextLimit), kSaveStartTextLimit,
                    kSaveFileBufferSize);
}

std::int32_t ValidFilterIndex(std::int32_t filterIndex) {
  return std::max<std::int32_t>(filterIndex, 1);
}

std::string CutSaveBuffer(std::string_view buffer) {
  const std::size_t nul = buffer.find('\0');
  if (nul == std::string_view::npos) return std::string();
  return std::string(buffer.substr(0, nul));
}

std::string CutOpenBuffer(std::string_view buffer) {
  const std::size_t nul = buffer.rfind('\0');
  if (nul == std::string_view::npos) return std::string();
  return std::string(buffer.substr(0, nul));
}

std::string TextBeforeFirstNul(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

}  // namespace dbt
