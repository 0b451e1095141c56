#include "journal/record_rewrites.h"

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
      nulBlank_(codePage_, kNulBlank) {
  path_.reserve(folder_.size() + slot_.length + extension_.size());
}

RecordChange PathRecordRewrite::Apply(std::span<std::uint8_t> record) {
  return onStoredText_ ? ApplyToStoredText(record) : ApplyThroughCodec(record);
}

// The name keeps its stored bytes: the code pages undo each other, so converting it to ANSI
// and back is the identity, and the separators, the dot, NUL and blank each have one OEM byte.
RecordChange PathRecordRewrite::ApplyToStoredText(std::span<std::uint8_t> record) {
  const auto field = slot_.In(record);
  std::size_t nameStart = field.size();
  while (nameStart > 0 && field[nameStart - 1] != backslash_ && field[nameStart - 1] != colon_) {
    --nameStart;
  }
  std::size_t nameEnd = field.size();
  bool replaceExtension = false;
  if (rule_.renameToSff) {
    std::size_t dot = field.size();
    while (dot > nameStart && field[dot - 1] != dot_) --dot;
    if (dot > nameStart) {
      nameEnd = dot;  // the dot stays
      replaceExtension = true;
    }
  }
  path_.assign(folder_.begin(), folder_.end());
  path_.insert(path_.end(), field.begin() + static_cast<std::ptrdiff_t>(nameStart),
               field.begin() + static_cast<std::ptrdiff_t>(nameEnd));
  if (replaceExtension) path_.insert(path_.end(), extension_.begin(), extension_.end());
  while (!path_.empty() && nulBlank_.Has(path_.back())) path_.pop_back();
  if (path_.size() > field.size()) return RecordChange::TooLong;
  return MakeLive(record, PutText(path_, blank_, field));
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
      errorTail_(codePage_, kErrorTail) {}

bool NormalizeRecordRewrite::Apply(std::span<std::uint8_t> record) const {
  bool changed = false;
  if (slot_.length > 0 && onStoredText_) {
    const auto field = slot_.In(record);
    std::size_t end = field.size();
    while (end > 0 && errorTail_.Has(field[end - 1])) --end;
    // Cut and padded again with blanks: only NUL, LF and CR bytes of the tail change.
    for (std::size_t i = end; i < field.size(); ++i) {
      if (field[i] == blank_) continue;
      field[i] = blank_;
      changed = true;
    }
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
