#pragma once
// The two passes over all records as changes of a record's stored bytes: the same bytes that
// decoding the record into the buffer, changing it and storing it back gives, with every field
// converted by itself, but only the flag and the one field that can change are touched.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dbf/engine.h"
#include "journal/field_plan.h"
#include "journal/path_change.h"

namespace dbt::journal_detail {

enum class RecordChange {
  Unchanged,  // every byte as it was
  Changed,
  TooLong,  // the new path does not fit its field: the record is left as it was
};

// The path change of one record: DATEI gets the new path, the record becomes live.
class PathRecordRewrite {
 public:
  PathRecordRewrite(const TableEngine& engine, TableHandle table, int pathField,
                    const PathRule& rule);
  RecordChange Apply(std::span<std::uint8_t> record);
  // Besides the flag, only DATEI's bytes change.
  FieldSlot Changes() const { return slot_; }

 private:
  RecordChange ApplyToStoredText(std::span<std::uint8_t> record);
  RecordChange ApplyThroughCodec(std::span<std::uint8_t> record);
  RecordChange MakeLive(std::span<std::uint8_t> record, bool changed) const;

  FieldCodePage codePage_;
  FieldSlot slot_;
  PathRule rule_;
  int currentYear_;
  bool onStoredText_;
  std::vector<std::uint8_t> folder_;     // the target folder in OEM, converted once
  std::vector<std::uint8_t> extension_;  // the new extension in OEM
  std::uint8_t live_, blank_, dot_, backslash_, colon_;
  OemByteSet nulBlank_;
  std::vector<std::uint8_t> blanks_;  // a field's length of blanks
  std::vector<std::uint8_t> path_;    // the new path being built, reused
};

// The normalising of one record: ERROR without its trailing NUL, LF, CR and blanks, the record
// live. errorField 0: the flag alone.
class NormalizeRecordRewrite {
 public:
  NormalizeRecordRewrite(const TableEngine& engine, TableHandle table, int errorField);
  // The table's own: its field ERROR, wherever it lies.
  static NormalizeRecordRewrite Of(const TableEngine& engine, TableHandle table) {
    return NormalizeRecordRewrite(engine, table, engine.FieldIndex(table, "ERROR"));
  }
  // True when a byte changed.
  bool Apply(std::span<std::uint8_t> record) const;
  // Besides the flag, only ERROR's bytes change.
  FieldSlot Changes() const { return slot_; }

 private:
  FieldCodePage codePage_;
  FieldSlot slot_;
  int currentYear_;
  bool onStoredText_;
  std::uint8_t live_, blank_;
  OemByteSet errorTail_;
  std::vector<std::uint8_t> blanks_;
};

// The characters cut from the end of ERROR by the normalising pass.
void TrimErrorTail(std::string& text);

}  // namespace dbt::journal_detail
