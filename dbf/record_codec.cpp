#include "dbf/record_codec.h"

#include <algorithm>
#include <string_view>

#include "dbf/codepage.h"
#include "dbf/field_codec.h"

namespace dbt {

void RecordBuffer::ClearValues() {
  for (std::string& value : FieldValues) value.clear();
}

void RecordCodec::Decode(std::span<const std::uint8_t> record, RecordBuffer& buffer) {
  // Every byte of every field: the bytes of a field are its own, whatever another field holds.
  // A zero byte earlier in the record (an empty date some writers store as zeros) must not
  // leave the fields after it in OEM, or a changed path would be converted a second time when
  // stored. The tables keep zero as zero, so an unchanged field still keeps its bytes.
  std::string& text = convertedRecord_;
  text.assign(record.begin(), record.end());
  OemToAnsiAll(text);
  const std::string_view view(text);

  LoadedRecordImage& loaded = buffer.loaded;
  loaded.stored.assign(record.begin(), record.end());
  buffer.DeletionFlag.assign(view.substr(0, 1));
  for (int k = 1; k <= fields_.fieldCount; ++k) {
    DecodeFieldInto(fields_.type[k], view.substr(fields_.offset[k], fields_.length[k]),
                    buffer.FieldValues[k]);
    loaded.display[k] = buffer.FieldValues[k];
    loaded.offset[k] = fields_.offset[k];
    loaded.length[k] = fields_.length[k];
    loaded.type[k] = fields_.type[k];
  }
  loaded.fieldCount = fields_.fieldCount;
}

void RecordCodec::Encode(RecordBuffer& buffer, int currentYear, std::span<std::uint8_t> out) {
  std::string& text = fieldText_;
  text = buffer.DeletionFlag;
  AnsiToOemAll(text);
  out[0] = static_cast<std::uint8_t>(text[0]);

  const LoadedRecordImage& loaded = buffer.loaded;
  for (int k = 1; k <= fields_.fieldCount; ++k) {
    const std::size_t offset = fields_.offset[k];
    const std::size_t length = fields_.length[k];
    const bool unchanged = k <= loaded.fieldCount && loaded.offset[k] == offset &&
                           loaded.length[k] == length && loaded.type[k] == fields_.type[k] &&
                           loaded.stored.size() >= offset + length &&
                           buffer.FieldValues[k] == loaded.display[k];
    if (unchanged) {
      std::copy_n(loaded.stored.begin() + static_cast<std::ptrdiff_t>(offset), length,
                  out.begin() + static_cast<std::ptrdiff_t>(offset));
      continue;
    }
    text = EncodeField(fields_.type[k], buffer.FieldValues[k], currentYear);
    text.resize(length, ' ');  // a text wider than its field is cut, never spilled
    AnsiToOemAll(text);
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
  }
}

}  // namespace dbt
