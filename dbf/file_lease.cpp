#include <utility>

#include "dbf/table_file.h"

namespace dbt {

struct FileSystem::LeaseState {
  std::unique_ptr<TableFile> file;  // null once the lease has ended
  bool lent = false;
};

namespace {

// What an open of a leased path gives: the leased file, writable only when asked for, lent to
// one open at a time like the exclusive open it stands for.
class LentFile final : public TableFile {
 public:
  LentFile(std::shared_ptr<FileSystem::LeaseState> state, OpenAccess access)
      : state_(std::move(state)), access_(access) {
    state_->lent = true;
  }
  ~LentFile() override { state_->lent = false; }

  std::uint64_t Size() override { return state_->file ? state_->file->Size() : 0; }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    return state_->file ? state_->file->ReadAt(offset, out) : 0;
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    return Writable() && state_->file->WriteAt(offset, data);
  }
  bool Truncate(std::uint64_t size) override { return Writable() && state_->file->Truncate(size); }
  bool Sync() override { return state_->file && state_->file->Sync(); }
  ReserveResult Reserve(std::uint64_t size) override {
    return Writable() ? state_->file->Reserve(size) : ReserveResult::Failed;
  }

 private:
  bool Writable() const { return state_->file && access_ == OpenAccess::ReadWrite; }

  std::shared_ptr<FileSystem::LeaseState> state_;
  OpenAccess access_;
};

}  // namespace

FileOpenResult FileSystem::OpenExclusive(const std::string& path, OpenAccess access) {
  const auto leased = leases_.find(path);
  if (leased == leases_.end()) return OpenUnshared(path, access);
  if (leased->second->lent) return {nullptr, FileOpenError::Locked};
  return {std::make_unique<LentFile>(leased->second, access), FileOpenError::None};
}

TableFile* FileSystem::Leased(const std::string& path) {
  const auto leased = leases_.find(path);
  return leased == leases_.end() ? nullptr : leased->second->file.get();
}

FileLease::FileLease(FileSystem& files, std::string path, std::unique_ptr<TableFile> file)
    : files_(files), path_(std::move(path)) {
  auto state = std::make_shared<FileSystem::LeaseState>();
  state->file = std::move(file);
  files_.leases_[path_] = std::move(state);
}

FileLease::~FileLease() {
  const auto leased = files_.leases_.find(path_);
  if (leased == files_.leases_.end()) return;
  leased->second->file.reset();
  files_.leases_.erase(leased);
}

}  // namespace dbt
