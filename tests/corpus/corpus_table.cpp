#include "tests/corpus/corpus_table.h"

#include <algorithm>
#include <cmath>

#include "dbf/local_date.h"

namespace dbt::test {
namespace {

constexpr std::uint8_t kEndOfFile = 0x1A;

std::uint32_t Le(const Bytes& b, std::size_t at, int width) {
  std::uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string RightTrimmed(std::string text, const std::string& chars) {
  while (!text.empty() && chars.find(text.back()) != std::string::npos) text.pop_back();
  return text;
}

void SetName(Bytes& file, std::size_t field, const std::string& name) {
  const std::size_t at = 32 + 32 * field;
  std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(at), 11, std::uint8_t{0});
  std::copy(name.begin(), name.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
}

// Characters a to b (1-based) of a text, as far as it reaches.
std::string Chars(const std::string& text, std::size_t a, std::size_t b) {
  if (a > text.size()) return {};
  return text.substr(a - 1, std::min(b, text.size()) - a + 1);
}

std::string Fitted(std::string text, std::size_t length) {
  text.resize(length, ' ');
  return text;
}

// One field's stored bytes after decoding and encoding by its type letter. A date, logical or
// memo field of another width than its type's keeps its bytes: the type's rules would cut them.
std::string Canonical(char type, const std::string& stored, bool isError) {
  const bool odd = (type == 'D' && stored.size() != 8) || (type == 'L' && stored.size() != 1) ||
                   (type == 'M' && stored.size() > 10);
  if (odd) type = 'C';
  std::string text = stored;
  if (type == 'D')
    text = Chars(stored, 7, 8) + "." + Chars(stored, 5, 6) + "." + Chars(stored, 1, 4);
  if (type == 'L') text = stored.substr(0, 1);
  if (type == 'M') text = stored.substr(0, 10);
  if (isError) text = RightTrimmed(text, std::string("\0\n\r ", 4));
  if (type == 'D') {
    if (text.size() == 8)
      text = text.substr(0, 6) + std::to_string(TodayLocal().year / 100) + text.substr(6);
    text = text.size() == 10 ? text.substr(6, 4) + text.substr(3, 2) + text.substr(0, 2)
                             : std::string(8, ' ');
  }
  return Fitted(text, stored.size());
}

}  // namespace

std::size_t TableLayout::RecordsPastCount(std::size_t fileSize) const {
  const std::size_t end = RecordOffset(count);
  return fileSize > end ? (fileSize - end) / recordLength : 0;
}

std::size_t FieldCountOf(const Bytes& file) {
  if (file.size() < 32) return 0;
  const double exact = (static_cast<double>(Le(file, 8, 2)) - 33.0) / 32.0;
  return exact < 0.5 ? 0 : static_cast<std::size_t>(std::nearbyint(exact));
}

std::optional<TableLayout> ParseLayout(const Bytes& file) {
  if (file.size() < 32) return std::nullopt;
  TableLayout layout;
  layout.storedCount = Le(file, 4, 4);
  layout.headerLength = Le(file, 8, 2);
  layout.recordLength = Le(file, 10, 2);
  if (layout.headerLength < 33 || layout.headerLength > file.size() || layout.recordLength == 0) {
    return std::nullopt;
  }
  const std::size_t fieldCount = FieldCountOf(file);
  if (32 + 32 * fieldCount > layout.headerLength) return std::nullopt;
  std::size_t offset = 1;
  for (std::size_t k = 0; k < fieldCount; ++k) {
    const std::uint8_t* d = &file[32 + 32 * k];
    std::string name;
    for (std::size_t c = 0; c < 10 && d[c] != 0; ++c) name += static_cast<char>(d[c]);
    layout.fields.push_back(
        FieldSpan{RightTrimmed(name, " "), static_cast<char>(d[11]), offset, d[16]});
    offset += d[16];
  }
  if (offset > layout.recordLength) return std::nullopt;
  const std::size_t slots = (file.size() - layout.headerLength) / layout.recordLength;
  layout.count = static_cast<std::uint32_t>(std::min<std::size_t>(layout.storedCount, slots));
  return layout;
}

bool HasDbase3Version(const Bytes& file) {
  if (file.empty()) return false;
  const std::uint8_t v = file[0];
  return v == 0x03 || v == 0x04 || v == 0x63 || v == 0x83 || v == 0x8B;
}

bool IsLevel7(const Bytes& file) {
  if (file.size() < 68 + 48 + 1 || file[0] != 0x04) return false;
  const std::size_t h = Le(file, 8, 2);
  return h >= 68 + 48 + 1 && (h - 69) % 48 == 0 && h <= file.size() && file[h - 1] == 0x0D;
}

std::optional<Journal> MakeJournal(const Bytes& file) {
  if (file.empty() || IsLevel7(file)) return std::nullopt;
  if (!HasDbase3Version(file)) return std::nullopt;
  std::optional<TableLayout> layout = ParseLayout(file);
  if (!layout || layout->fields.size() < 2 || layout->fields.size() > 128 || layout->count == 0) {
    return std::nullopt;
  }
  // A path field narrower than a short folder would test little but the overflow refusal.
  std::size_t pathField = 0;
  for (std::size_t k = 1; k < layout->fields.size(); ++k) {
    const FieldSpan& f = layout->fields[k];
    if (f.type == 'C' && f.length >= 10 &&
        (pathField == 0 || f.length > layout->fields[pathField].length)) {
      pathField = k;
    }
  }
  if (pathField == 0) return std::nullopt;

  Journal journal{file, *layout, pathField};
  for (std::size_t k = 1; k < layout->fields.size(); ++k) {
    const std::string upper = Upper(layout->fields[k].name);
    if (k != pathField && (upper == "DATUM" || upper == "DATEI"))
      SetName(journal.bytes, k, "F" + std::to_string(k));
  }
  SetName(journal.bytes, 0, "DATUM");
  SetName(journal.bytes, pathField, "DATEI");
  journal.layout = *ParseLayout(journal.bytes);
  return journal;
}

Bytes FirstRecordsOnly(const Journal& journal, std::uint32_t keep) {
  const TableLayout& l = journal.layout;
  Bytes out(journal.bytes.begin(),
            journal.bytes.begin() + static_cast<std::ptrdiff_t>(l.RecordOffset(keep)));
  out.push_back(kEndOfFile);
  PutLe32(out, 4, keep);
  return out;
}

std::vector<std::string> AcceptedNewPaths(const std::string& stored, const std::string& folder,
                                          bool sff) {
  const std::string trimmed = RightTrimmed(stored, std::string("\0 ", 2));
  const std::size_t cut = trimmed.find_last_of(":\\");
  const std::string name = cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
  if (!sff) return {folder + name};
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) return {folder + name.substr(0, dot + 1) + "sff"};
  return {folder + name, folder + name + ".sff"};
}

Bytes ReferenceNormalize(const Bytes& file) {
  Bytes out = file;
  const std::optional<TableLayout> layout = ParseLayout(file);
  if (!layout) return out;
  std::size_t errorField = layout->fields.size();
  for (std::size_t k = 0; k < layout->fields.size() && errorField == layout->fields.size(); ++k) {
    if (Upper(layout->fields[k].name) == "ERROR") errorField = k;
  }
  for (std::size_t r = 0; r < layout->count; ++r) {
    const std::size_t at = layout->RecordOffset(r);
    out[at] = ' ';
    for (std::size_t k = 0; k < layout->fields.size(); ++k) {
      const FieldSpan& f = layout->fields[k];
      const auto begin = file.begin() + static_cast<std::ptrdiff_t>(at + f.offset);
      const std::string stored(begin, begin + static_cast<std::ptrdiff_t>(f.length));
      const std::string canonical = Canonical(f.type, stored, k == errorField);
      std::copy(canonical.begin(), canonical.end(),
                out.begin() + static_cast<std::ptrdiff_t>(at + f.offset));
    }
  }
  StampToday(out);
  return out;
}

Bytes ReferenceAppend(const Bytes& target, const Bytes& source) {
  const std::optional<TableLayout> t = ParseLayout(target);
  const std::optional<TableLayout> s = ParseLayout(source);
  if (!t || !s) return target;
  Bytes out(target.begin(),
            target.begin() + static_cast<std::ptrdiff_t>(t->RecordOffset(t->count)));
  for (std::size_t r = 0; r < s->count; ++r) {
    const auto begin = source.begin() + static_cast<std::ptrdiff_t>(s->RecordOffset(r));
    out.insert(out.end(), begin, begin + static_cast<std::ptrdiff_t>(s->recordLength));
  }
  out.push_back(kEndOfFile);
  PutLe32(out, 4, t->count + s->count);
  StampToday(out);
  return out;
}

void StampToday(Bytes& file) {
  const LocalDate today = TodayLocal();
  file[1] = static_cast<std::uint8_t>(today.year - 1900);
  file[2] = static_cast<std::uint8_t>(today.month);
  file[3] = static_cast<std::uint8_t>(today.day);
}

}  // namespace dbt::test
