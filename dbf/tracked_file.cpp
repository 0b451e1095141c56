#include "dbf/tracked_file.h"

#include <algorithm>

namespace dbt {

void TrackedFile::Close() {
  file_.reset();
  writeEnd_.reset();
}

std::size_t TrackedFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (!file_) return 0;
  return file_->ReadAt(offset, out);
}

bool TrackedFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (!file_ || !file_->WriteAt(offset, bytes)) return false;
  const std::uint64_t end = offset + bytes.size();
  writeEnd_ = end;
  size_ = std::max(size_, end);
  return true;
}

bool TrackedFile::CutAfterLastWrite() {
  // Without a write there is no end to cut at; cutting at offset 0 would empty the table.
  if (!file_ || !writeEnd_) return false;
  if (!file_->Truncate(*writeEnd_)) return false;
  size_ = *writeEnd_;
  return true;
}

}  // namespace dbt
