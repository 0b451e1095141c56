#pragma once
// Table files held in memory: fast for the fuzzer, and a test can change a file's bytes while
// the engine holds it open (which the exclusive platform open would forbid). Opens are
// exclusive like the platform's own. A capacity makes the disk fill up.

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dbf/table_file.h"

namespace dbt::test {

class MemoryFileSystem final : public FileSystem {
 public:
  using Bytes = std::vector<std::uint8_t>;

  void Put(const std::string& path, Bytes bytes) {
    files_[path] = std::make_shared<Bytes>(std::move(bytes));
  }
  // The live bytes of a file (null when there is none); changes show through open files.
  Bytes* Data(const std::string& path) {
    const auto found = files_.find(path);
    return found == files_.end() ? nullptr : found->second.get();
  }
  // Bytes all files together may hold; growing past it fails as on a full disk. 0: no limit.
  void SetCapacity(std::uint64_t bytes) { capacity_ = bytes; }
  int OpenCount() const { return opens_; }
  int SyncCount() const { return syncs_; }

  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  bool SameFile(const std::string& a, const std::string& b) override { return a == b && Exists(a); }

  std::unique_ptr<TableFile> CreateOrReplace(const std::string& path) override {
    if (open_.count(path) != 0) return nullptr;
    Put(path, {});
    open_.insert(path);
    return std::make_unique<File>(*this, path, files_[path], OpenAccess::ReadWrite);
  }
  ReadWholeResult ReadWhole(const std::string& path, Bytes& bytes) override {
    const Bytes* data = Data(path);
    if (data == nullptr) return ReadWholeResult::Missing;
    bytes = *data;
    return ReadWholeResult::Read;
  }
  bool RemoveFile(const std::string& path) override {
    files_.erase(path);
    return true;
  }

 protected:
  FileOpenResult OpenUnshared(const std::string& path, OpenAccess access) override {
    const auto found = files_.find(path);
    if (found == files_.end()) return {nullptr, FileOpenError::Missing};
    if (open_.count(path) != 0) return {nullptr, FileOpenError::Locked};
    open_.insert(path);
    ++opens_;
    return {std::make_unique<File>(*this, path, found->second, access), FileOpenError::None};
  }

 private:
  std::uint64_t TotalBytes() const {
    std::uint64_t total = 0;
    for (const auto& [path, data] : files_) total += data->size();
    return total;
  }
  bool Fits(std::uint64_t oldSize, std::uint64_t newSize) const {
    return capacity_ == 0 || newSize <= oldSize || TotalBytes() - oldSize + newSize <= capacity_;
  }

  class File final : public TableFile {
   public:
    File(MemoryFileSystem& owner, std::string path, std::shared_ptr<Bytes> data, OpenAccess access)
        : owner_(owner), path_(std::move(path)), data_(std::move(data)), access_(access) {}
    ~File() override { owner_.open_.erase(path_); }

    std::uint64_t Size() override { return data_->size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
      if (offset >= data_->size() || out.empty()) return 0;
      const std::size_t count = std::min<std::uint64_t>(out.size(), data_->size() - offset);
      std::memcpy(out.data(), data_->data() + offset, count);
      return count;
    }
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
      if (access_ != OpenAccess::ReadWrite || offset > kLimit || data.size() > kLimit) {
        return false;
      }
      const std::uint64_t end = offset + data.size();
      if (!owner_.Fits(data_->size(), end)) return false;
      if (end > data_->size()) data_->resize(end);
      if (!data.empty()) std::memcpy(data_->data() + offset, data.data(), data.size());
      return true;
    }
    bool Truncate(std::uint64_t size) override {
      if (access_ != OpenAccess::ReadWrite || size > kLimit) return false;
      if (!owner_.Fits(data_->size(), size)) return false;
      data_->resize(size);
      return true;
    }
    bool Sync() override {
      ++owner_.syncs_;
      return true;
    }
    ReserveResult Reserve(std::uint64_t size) override {
      if (access_ != OpenAccess::ReadWrite || size > kLimit) return ReserveResult::Failed;
      if (data_->size() >= size) return ReserveResult::Reserved;
      if (!owner_.Fits(data_->size(), size)) return ReserveResult::DiskFull;
      data_->resize(size);
      return ReserveResult::Reserved;
    }

   private:
    static constexpr std::uint64_t kLimit = 1u << 30;  // memory, not disks
    MemoryFileSystem& owner_;
    std::string path_;
    std::shared_ptr<Bytes> data_;
    OpenAccess access_;
  };

  std::map<std::string, std::shared_ptr<Bytes>> files_;
  std::set<std::string> open_;
  std::uint64_t capacity_ = 0;
  int opens_ = 0;
  int syncs_ = 0;
};

}  // namespace dbt::test
