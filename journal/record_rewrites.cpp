#include "journal/record_rewrites.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "dbf/format.h"

namespace dbt::journal_detail {
namespace {

constexpr std::string_view kNulBlank("\0 ", 2);
constexpr std::string_view kErrorTail("\0\n\r ", 4);

std::vector<std::uint8_t> OemBytesOf(const FieldCodePage& codePage, std::string_view ansi) {
  const std::string oem = codePage.ToOem(ansi);
  return {oem.begin(), oem.end()};
}

bool SetLive(std::span<std::uint8_t> record, std::uint8_t live) {
  if (record[0] == live) return false;
  record[0] = live;
  return true;
}

}  // namespace

void TrimErrorTail(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && kErrorTail.find(text[end - 1]) != std::string_view::npos) --end;
  text.resize(end);
}

PathRecordRewrite::PathRecordRewrite(const TableEngine& engine, TableHandle table, int pathField,
                                     const PathRule& rule)
    : slot_(SlotOf(engine, table, pathField)),
      rule_(rule),
      currentYear_(engine.Today().year),
      onStoredText_(slot_.TextIsStored() && codePage_.Bijective()),
      folder_(OemBytesOf(codePage_, rule.targetFolder)),
      extension_(OemBytesOf(codePage_, rule.newExtension)),
      live_(codePage_.OemOf(static_cast<char>(kLiveFlag))),
      blank_(codePage_.OemOf(' ')),
      dot_(codePage_.OemOf('.')),
      backslash_(codePage_.OemOf('\\')),
      colon_(codePage_.OemOf(':')),
      nulBlank_(codePage_, kNulBlank),
      blanks_(slot_.length, blank_) {
  path_.reserve(folder_.size() + slot_.length + extension_.size());
}

RecordChange PathRecordRewrite::Apply(std::span<std::uint8_t> record) {
  return onStoredText_ ? ApplyToStoredText(record) : ApplyThroughCodec(record);
}

// The name keeps its stored bytes: the code pages undo each other, so converting it to ANSI
// and back is the identity, and the separators, the dot, NUL and blank each have one OEM byte.
RecordChange PathRecordRewrite::ApplyToStoredText(std::span<std::uint8_t> record) {
  const auto field = slot_.In(record);
  // Neither a separator nor a dot lies in the blanks that pad the field.
  const std::size_t used = EndWithoutBlanks(field, blank_);
  std::size_t nameStart = used;
  while (nameStart > 0 && field[nameStart - 1] != backslash_ && field[nameStart - 1] != colon_) {
    --nameStart;
  }
  std::size_t nameEnd = used;
  bool replaceExtension = false;
  if (rule_.renameToSff) {
    std::size_t dot = used;
    while (dot > nameStart && field[dot - 1] != dot_) --dot;
    if (dot > nameStart) {
      nameEnd = dot;  // the dot stays
      replaceExtension = true;
    }
  }
  // The whole path loses its trailing NUL and blanks; they reach into the name only when no
  // extension follows it (a replaced one follows the name's dot, which stays).
  if (!replaceExtension) {
    while (nameEnd > nameStart && nulBlank_.Has(field[nameEnd - 1])) --nameEnd;
  }
  const std::size_t nameLength = nameEnd - nameStart;
  const std::size_t extensionLength = replaceExtension ? extension_.size() : 0;
  path_.resize(folder_.size() + nameLength + extensionLength);
  std::uint8_t* out = path_.data();
  if (!folder_.empty()) std::memcpy(out, folder_.data(), folder_.size());
  if (nameLength > 0) std::memcpy(out + folder_.size(), field.data() + nameStart, nameLength);
  if (extensionLength > 0) {
    std::memcpy(out + folder_.size() + nameLength, extension_.data(), extensionLength);
  }
  while (!path_.empty() && nulBlank_.Has(path_.back())) path_.pop_back();
  if (path_.size() > field.size()) return RecordChange::TooLong;
  return MakeLive(record, PutText(path_, blanks_, field));
}

// Any other type: its text is what the field conversion makes of it, as the buffer would hold it.
RecordChange PathRecordRewrite::ApplyThroughCodec(std::span<std::uint8_t> record) {
  const std::string display = DisplayOf(codePage_, slot_, record);
  std::string newPath = BuildNewPath(display, rule_);
  if (newPath.size() > slot_.length) return RecordChange::TooLong;
  const bool changed = newPath != display &&
                       StoreDisplay(codePage_, slot_, std::move(newPath), currentYear_, record);
  return MakeLive(record, changed);
}

RecordChange PathRecordRewrite::MakeLive(std::span<std::uint8_t> record, bool changed) const {
  changed = SetLive(record, live_) || changed;
  return changed ? RecordChange::Changed : RecordChange::Unchanged;
}

NormalizeRecordRewrite::NormalizeRecordRewrite(const TableEngine& engine, TableHandle table,
                                               int errorField)
    : slot_(SlotOf(engine, table, errorField)),
      currentYear_(engine.Today().year),
      onStoredText_(slot_.TextIsStored() && codePage_.Bijective()),
      live_(codePage_.OemOf(static_cast<char>(kLiveFlag))),
      blank_(codePage_.OemOf(' ')),
      errorTail_(codePage_, kErrorTail),
      blanks_(slot_.length, blank_) {}

bool NormalizeRecordRewrite::Apply(std::span<std::uint8_t> record) const {
  bool changed = false;
  if (slot_.length > 0 && onStoredText_) {
    const auto field = slot_.In(record);
    std::size_t end = EndWithoutBlanks(field, blank_);
    while (end > 0 && errorTail_.Has(field[end - 1])) --end;
    // Cut and padded again with blanks: only NUL, LF and CR bytes of the tail change.
    changed = PutText(field.first(end), blanks_, field);
  } else if (slot_.length > 0) {
    const std::string display = DisplayOf(codePage_, slot_, record);
    std::string trimmed = display;
    TrimErrorTail(trimmed);
    if (trimmed != display) {
      changed = StoreDisplay(codePage_, slot_, std::move(trimmed), currentYear_, record);
    }
  }
  return SetLive(record, live_) || changed;
}

}  // namespace dbt::journal_detail
