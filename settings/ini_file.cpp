#include "settings/ini_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "util/text.h"

namespace dbt {
namespace {

// The profile services count Ctrl-Z among the blanks, a relic of files ended that way.
constexpr std::string_view kSpaces = " \t\r\n\v\f\x1a";

std::string_view Trim(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(kSpaces);
  if (begin == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(kSpaces);
  return text.substr(begin, end - begin + 1);
}

std::string_view TrimEnd(std::string_view text) {
  const std::size_t end = text.find_last_not_of(kSpaces);
  if (end == std::string_view::npos) return {};
  return text.substr(0, end + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperAnsi(a) == UpperAnsi(b);
}

struct Line {
  std::string_view text;  // without its line end
  std::string_view end;   // "\r\n", "\n" or empty for a last line without one
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  while (!content.empty()) {
    const std::size_t lf = content.find('\n');
    if (lf == std::string_view::npos) {
      lines.push_back({content, {}});
      break;
    }
    const bool crlf = lf > 0 && content[lf - 1] == '\r';
    const std::size_t textLength = crlf ? lf - 1 : lf;
    lines.push_back(
        {content.substr(0, textLength), content.substr(textLength, lf + 1 - textLength)});
    content.remove_prefix(lf + 1);
  }
  return lines;
}

// A section header names its section between "[" and the last "]"; a "[" without "]" makes
// no header, as with the system's services.
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() != '[') return std::nullopt;
  const std::size_t close = text.rfind(']');
  if (close == std::string_view::npos) return std::nullopt;
  return text.substr(1, close - 1);
}

struct KeyLine {
  std::string_view name;
  std::string_view value;
};

std::optional<KeyLine> KeyOf(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view name = Trim(line.substr(0, equals));
  if (name.empty()) return std::nullopt;
  return KeyLine{name, Trim(line.substr(equals + 1))};
}

std::string_view WithoutEnclosingQuotes(std::string_view value) {
  if (value.size() < 2) return value;
  const char first = value.front();
  if ((first == '"' || first == '\'') && value.back() == first) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Where a section's lines are: the header line and one past its last non-blank line.
struct SectionSpan {
  std::size_t header = 0;
  std::size_t end = 0;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i].text);
    if (!name || !SameName(*name, section)) continue;
    SectionSpan span{i, i + 1};
    for (std::size_t j = i + 1; j < lines.size() && !SectionName(lines[j].text); ++j) {
      if (!Trim(lines[j].text).empty()) span.end = j + 1;
    }
    return span;
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, const SectionSpan& span,
                                   std::string_view key) {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    const auto keyLine = KeyOf(lines[i].text);
    if (keyLine && SameName(keyLine->name, key)) return i;
  }
  return std::nullopt;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name or value that would break its line apart or be read back as something else is
// refused rather than written: a path with a line break must not plant keys or sections.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || HasLineBreakOrNul(section) || section.find(']') != std::string_view::npos)
    return false;
  if (key.empty() || HasLineBreakOrNul(key) || key.find('=') != std::string_view::npos)
    return false;
  if (key.front() == '[') return false;
  return !HasLineBreakOrNul(value);
}

std::string Join(const std::vector<Line>& lines, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to; ++i) {
    text += lines[i].text;
    text += lines[i].end;
  }
  return text;
}

}  // namespace

std::string IniReadString(std::string_view content, std::string_view section, std::string_view key,
                          std::string_view fallback) {
  section = Trim(section);
  key = Trim(key);
  const std::vector<Line> lines = SplitLines(content);
  const auto span = FindSection(lines, section);
  // The system also drops trailing blanks of the default.
  const std::string fallbackText(TrimEnd(fallback));
  if (!span) return fallbackText;
  const auto index = FindKey(lines, *span, key);
  if (!index) return fallbackText;
  return std::string(WithoutEnclosingQuotes(KeyOf(lines[*index].text)->value));
}

std::optional<std::string> IniWriteString(std::string_view content, std::string_view section,
                                          std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (!Writable(section, key, value)) return std::nullopt;
  const std::vector<Line> lines = SplitLines(content);
  const auto span = FindSection(lines, section);
  if (!span) {
    std::string text(content);
    if (!lines.empty() && lines.back().end.empty()) text += "\r\n";
    text +=
        "[" + std::string(section) + "]\r\n" + std::string(key) + "=" + std::string(value) + "\r\n";
    return text;
  }
  if (const auto index = FindKey(lines, *span, key)) {
    // The key keeps its spelling in the file, as with the system's services.
    const std::string_view name = KeyOf(lines[*index].text)->name;
    return Join(lines, 0, *index) + std::string(name) + "=" + std::string(value) +
           std::string(lines[*index].end) + Join(lines, *index + 1, lines.size());
  }
  std::string text = Join(lines, 0, span->end);
  if (lines[span->end - 1].end.empty()) text += "\r\n";
  text += std::string(key) + "=" + std::string(value) + "\r\n";
  return text + Join(lines, span->end, lines.size());
}

namespace {

std::optional<std::string> ReadWholeFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return text;
}

}  // namespace

std::string ReadIniFileString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view fallback) {
  const auto content = ReadWholeFile(file);
  return IniReadString(content ? *content : std::string_view(), section, key, fallback);
}

bool WriteIniFileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
  std::error_code ec;
  const bool exists = std::filesystem::exists(file, ec);
  if (ec) return false;
  std::string content;
  if (exists) {
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    // A file that is there but cannot be read must not be replaced by one key alone.
    auto old = ReadWholeFile(file);
    if (!old) return false;
    content = std::move(*old);
  }
  const auto updated = IniWriteString(content, section, key, value);
  if (!updated) return false;

  // The new text goes to a file of its own first, so a failed write leaves the old settings.
  const std::string temporary = file + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(updated->data(), static_cast<std::streamsize>(updated->size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temporary, ec);
      return false;
    }
  }
  std::filesystem::rename(temporary, file, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace dbt
