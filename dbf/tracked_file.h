#pragma once
// An open table file that knows its own size and where the last write through it ended, so that
// a compaction can cut the file right behind what it wrote last.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "dbf/table_file.h"

namespace dbt {

class TrackedFile {
 public:
  TrackedFile() = default;
  // size: the file's size at open. The file is ours alone while open, so later sizes follow
  // from our own writes without asking the system.
  TrackedFile(std::unique_ptr<TableFile> file, std::uint64_t size)
      : file_(std::move(file)), size_(size) {}

  [[nodiscard]] bool IsOpen() const { return file_ != nullptr; }
  void Close();
  [[nodiscard]] std::uint64_t Size() const { return size_; }

  // Count of bytes read: 0 when closed.
  [[nodiscard]] std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out);
  [[nodiscard]] bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // Cuts the file directly after the last byte written; false without a write since the open.
  [[nodiscard]] bool CutAfterLastWrite();

 private:
  std::unique_ptr<TableFile> file_;
  std::uint64_t size_ = 0;
  std::optional<std::uint64_t> writeEnd_;
};

}  // namespace dbt
