#include "tests/support/faulty_file_system.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <utility>

namespace dbt::test {

int FaultStride() {
  const char* given = std::getenv("DBT_FAULT_STRIDE");
  return given && std::atoi(given) > 1 ? std::atoi(given) : 1;
}

namespace {

using Operation = FaultyFileSystem::Operation;

FaultyFileSystem::Bytes ReadAll(TableFile& file) {
  FaultyFileSystem::Bytes bytes(static_cast<std::size_t>(file.Size()));
  bytes.resize(file.ReadAt(0, bytes));
  return bytes;
}

void Apply(FaultyFileSystem::Bytes& bytes, const Operation& operation, std::size_t keep) {
  switch (operation.kind) {
    case Operation::Write: {
      const std::size_t end = static_cast<std::size_t>(operation.offset) + keep;
      if (keep == 0) return;
      if (end > bytes.size()) bytes.resize(end);
      std::copy_n(operation.bytes.begin(), keep,
                  bytes.begin() + static_cast<std::ptrdiff_t>(operation.offset));
      return;
    }
    case Operation::Truncate:
      bytes.resize(static_cast<std::size_t>(operation.size));
      return;
    case Operation::Reserve:
      if (bytes.size() < operation.size) bytes.resize(static_cast<std::size_t>(operation.size));
      return;
  }
}

class FaultyFile final : public TableFile {
 public:
  FaultyFile(std::unique_ptr<TableFile> inner, FaultyFileSystem& owner, std::string path)
      : inner_(std::move(inner)), owner_(owner), path_(std::move(path)) {
    owner_.Opened(path_, inner_.get());
  }
  ~FaultyFile() override { owner_.Closed(path_); }

  std::uint64_t Size() override { return inner_->Size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    return inner_->ReadAt(offset, out);
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    Operation operation;
    operation.offset = offset;
    operation.bytes.assign(data.begin(), data.end());
    const std::optional<std::size_t> keep = owner_.Admit(path_, operation);
    if (!keep) return false;
    if (*keep < data.size()) {
      if (*keep > 0) (void)inner_->WriteAt(offset, data.first(*keep));
      return false;
    }
    return inner_->WriteAt(offset, data);
  }
  bool Truncate(std::uint64_t size) override {
    Operation operation;
    operation.kind = Operation::Truncate;
    operation.size = size;
    return owner_.Admit(path_, operation) && inner_->Truncate(size);
  }
  bool Sync() override {
    if (!inner_->Sync()) return false;
    owner_.Synced(path_, *inner_);
    return true;
  }
  ReserveResult Reserve(std::uint64_t size) override {
    Operation operation;
    operation.kind = Operation::Reserve;
    operation.size = size;
    if (!owner_.Admit(path_, operation)) return ReserveResult::Failed;
    return inner_->Reserve(size);
  }

 private:
  std::unique_ptr<TableFile> inner_;
  FaultyFileSystem& owner_;
  std::string path_;
};

}  // namespace

FaultyFileSystem::FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

std::size_t FaultyFileSystem::WriteSize(int k) const {
  if (k < 1 || static_cast<std::size_t>(k) > sizes_.size()) return 0;
  return sizes_[static_cast<std::size_t>(k - 1)];
}

void FaultyFileSystem::FailOpen(const std::string& path, FileOpenError error) {
  if (error == FileOpenError::None) {
    failingOpens_.erase(path);
    return;
  }
  failingOpens_[path] = error;
}

FileOpenResult FaultyFileSystem::OpenUnshared(const std::string& path, OpenAccess access) {
  const auto failing = failingOpens_.find(path);
  if (failing != failingOpens_.end()) return {nullptr, failing->second};
  FileOpenResult opened = inner_.OpenExclusive(path, access);
  if (opened.file) {
    Follow(path, *opened.file);
    opened.file = std::make_unique<FaultyFile>(std::move(opened.file), *this, path);
  }
  return opened;
}

std::unique_ptr<TableFile> FaultyFileSystem::CreateOrReplace(const std::string& path) {
  if (!AdmitNamed()) return nullptr;
  std::unique_ptr<TableFile> file = inner_.CreateOrReplace(path);
  if (!file) return nullptr;
  tracks_[path] = Track{};
  return std::make_unique<FaultyFile>(std::move(file), *this, path);
}

bool FaultyFileSystem::RemoveFile(const std::string& path) {
  if (!AdmitNamed()) return false;
  if (!inner_.RemoveFile(path)) return false;
  tracks_.erase(path);
  return true;
}

std::optional<std::size_t> FaultyFileSystem::Admit(const std::string& path,
                                                   const Operation& operation) {
  ++writes_;
  const std::size_t size = operation.kind == Operation::Write ? operation.bytes.size() : 0;
  sizes_.push_back(size);
  if (stopped_) return std::nullopt;
  if (stopAt_ != 0 && writes_ >= stopAt_) {
    stopped_ = true;
    if (powerCut_) {
      CutPower(&path, &operation);
      return std::nullopt;
    }
    if (tearAt_ && operation.kind == Operation::Write) return std::min(*tearAt_, size);
    return std::nullopt;
  }
  const auto tracked = tracks_.find(path);
  if (tracked != tracks_.end()) tracked->second.since.push_back(operation);
  return size;
}

bool FaultyFileSystem::AdmitNamed() {
  ++writes_;
  sizes_.push_back(0);
  if (stopped_) return false;
  if (stopAt_ != 0 && writes_ >= stopAt_) {
    stopped_ = true;
    if (powerCut_) CutPower(nullptr, nullptr);
    return false;
  }
  return true;
}

void FaultyFileSystem::Synced(const std::string& path, TableFile& file) {
  ++syncs_;
  if (stopped_) return;
  Track& track = tracks_[path];
  track.durable = ReadAll(file);
  track.since.clear();
}

void FaultyFileSystem::Opened(const std::string& path, TableFile* file) {
  open_[path] = file;
}

void FaultyFileSystem::Closed(const std::string& path) {
  open_.erase(path);
}

void FaultyFileSystem::Follow(const std::string& path, TableFile& file) {
  if (tracks_.count(path) == 0) tracks_[path].durable = ReadAll(file);
}

// Every file gets what the disk may hold: the bytes of its last Sync and, with a seed, some of
// the writes since, in their order, a third of them torn at a chosen byte.
void FaultyFileSystem::CutPower(const std::string* path, const Operation* last) {
  if (path != nullptr && last != nullptr) tracks_[*path].since.push_back(*last);
  std::mt19937 random(seed_);
  for (auto& [name, track] : tracks_) {
    Bytes survivor = track.durable;
    if (seed_ != 0) {
      for (const Operation& operation : track.since) {
        if (random() % 2 == 0) continue;
        std::size_t keep = operation.bytes.size();
        if (operation.kind == Operation::Write && random() % 3 == 0) {
          keep = random() % (operation.bytes.size() + 1);
        }
        Apply(survivor, operation, keep);
      }
    }
    std::unique_ptr<TableFile> reopened;
    TableFile* file = nullptr;
    const auto open = open_.find(name);
    if (open != open_.end()) {
      file = open->second;
    } else {
      reopened = inner_.OpenExclusive(name, OpenAccess::ReadWrite).file;
      file = reopened.get();
    }
    if (file == nullptr) continue;
    (void)file->Truncate(survivor.size());
    if (!survivor.empty()) (void)file->WriteAt(0, survivor);
  }
}

}  // namespace dbt::test
