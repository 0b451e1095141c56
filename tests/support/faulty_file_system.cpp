#include "tests/support/faulty_file_system.h"

#include <utility>

namespace dbt::test {
namespace {

class FaultyFile final : public TableFile {
 public:
  FaultyFile(std::unique_ptr<TableFile> inner, FaultyFileSystem& owner)
      : inner_(std::move(inner)), owner_(owner) {}

  std::uint64_t Size() override { return inner_->Size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    return inner_->ReadAt(offset, out);
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    return owner_.AllowWrite() && inner_->WriteAt(offset, data);
  }
  bool Truncate(std::uint64_t size) override {
    return owner_.AllowWrite() && inner_->Truncate(size);
  }

 private:
  std::unique_ptr<TableFile> inner_;
  FaultyFileSystem& owner_;
};

}  // namespace

FaultyFileSystem::FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

void FaultyFileSystem::FailOpen(const std::string& path, FileOpenError error) {
  if (error == FileOpenError::None) {
    failingOpens_.erase(path);
    return;
  }
  failingOpens_[path] = error;
}

FileOpenResult FaultyFileSystem::OpenExclusive(const std::string& path, OpenAccess access) {
  const auto failing = failingOpens_.find(path);
  if (failing != failingOpens_.end()) return {nullptr, failing->second};
  FileOpenResult opened = inner_.OpenExclusive(path, access);
  if (opened.file) opened.file = std::make_unique<FaultyFile>(std::move(opened.file), *this);
  return opened;
}

bool FaultyFileSystem::AllowWrite() {
  ++writes_;
  return stopAt_ == 0 || writes_ < stopAt_;
}

}  // namespace dbt::test
