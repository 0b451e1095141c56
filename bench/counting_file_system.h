#pragma once
// The platform's files, counting the barriers (Sync) that the operations ask for.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dbf/table_file.h"

namespace dbt::bench {

class CountingFileSystem final : public FileSystem {
 public:
  int syncs = 0;

  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  bool SameFile(const std::string& a, const std::string& b) override {
    return inner_.SameFile(a, b);
  }
  std::unique_ptr<TableFile> CreateOrReplace(const std::string& path) override {
    auto file = inner_.CreateOrReplace(path);
    return file ? std::make_unique<Counted>(std::move(file), syncs) : nullptr;
  }
  ReadWholeResult ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) override {
    return inner_.ReadWhole(path, bytes);
  }
  bool RemoveFile(const std::string& path) override { return inner_.RemoveFile(path); }

 protected:
  FileOpenResult OpenUnshared(const std::string& path, OpenAccess access) override {
    FileOpenResult opened = inner_.OpenExclusive(path, access);
    if (opened.file) opened.file = std::make_unique<Counted>(std::move(opened.file), syncs);
    return opened;
  }

 private:
  class Counted final : public TableFile {
   public:
    Counted(std::unique_ptr<TableFile> inner, int& syncs)
        : inner_(std::move(inner)), syncs_(syncs) {}
    std::uint64_t Size() override { return inner_->Size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
      return inner_->ReadAt(offset, out);
    }
    bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
      return inner_->WriteAt(offset, data);
    }
    bool Truncate(std::uint64_t size) override { return inner_->Truncate(size); }
    bool Sync() override {
      ++syncs_;
      return inner_->Sync();
    }
    ReserveResult Reserve(std::uint64_t size) override { return inner_->Reserve(size); }

   private:
    std::unique_ptr<TableFile> inner_;
    int& syncs_;
  };
  FileSystem& inner_ = PlatformFileSystem();
};

}  // namespace dbt::bench
