#pragma once
// A FileSystem that passes everything to another one but lets the machine stop at a chosen
// write operation (WriteAt, Truncate, Reserve, and creating or removing a file, counted from 1
// over every file it opened):
//   StopAtWrite(k)        operation k and every later one fail without touching anything;
//   TearAtWrite(k, n)     as StopAtWrite, but the first n bytes of write k reach the file;
//   PowerCutAtWrite(k, s) at operation k the power fails: every file is left as the disk may
//                         hold it, i.e. as its last Sync left it plus, of the writes after that
//                         (operation k included), none (s = 0) or a subset chosen by seed s,
//                         each kept write possibly torn; creating and removing a file count as
//                         done when they return (the platform's own sync the folder).
// Reads keep working, so a test can look at what the files hold afterwards. It can also refuse
// the open of one path with a chosen error.
//
//   FaultyFileSystem files;            // wraps PlatformFileSystem()
//   files.StopAtWrite(3);              // operations 1 and 2 happen, 3 and later do not
//   TableEngine engine(files);
//   ...                                // run the operation, then reopen with a fresh engine
//   files.WriteCount();                // write operations asked for so far, failed ones included

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dbf/table_file.h"

namespace dbt::test {

// The sweeps cut at every fault point; with DBT_FAULT_STRIDE=k in the environment at every k-th
// one only, the same ones on every run (an emulated machine runs them fifty times slower).
int FaultStride();

class FaultyFileSystem : public FileSystem {
 public:
  using Bytes = std::vector<std::uint8_t>;

  explicit FaultyFileSystem(FileSystem& inner = PlatformFileSystem());

  // 0 (the default) never stops.
  void StopAtWrite(int k) { stopAt_ = k; }
  void TearAtWrite(int k, std::size_t bytesKept) {
    stopAt_ = k;
    tearAt_ = bytesKept;
  }
  void PowerCutAtWrite(int k, std::uint32_t seed) {
    stopAt_ = k;
    powerCut_ = true;
    seed_ = seed;
  }
  int WriteCount() const { return writes_; }
  int SyncCount() const { return syncs_; }
  // The size of write operation k (bytes of a WriteAt, 0 for the others), once it was asked for.
  std::size_t WriteSize(int k) const;
  // Opens of path fail with error (Missing, Locked, ...) until cleared with FileOpenError::None.
  void FailOpen(const std::string& path, FileOpenError error);

  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  bool SameFile(const std::string& a, const std::string& b) override {
    return inner_.SameFile(a, b);
  }
  std::string CanonicalPath(const std::string& path) override { return inner_.CanonicalPath(path); }
  std::unique_ptr<TableFile> CreateOrReplace(const std::string& path) override;
  ReadWholeResult ReadWhole(const std::string& path, Bytes& bytes) override {
    return inner_.ReadWhole(path, bytes);
  }
  bool RemoveFile(const std::string& path) override;

  // What the files below call; not for tests.
  struct Operation {
    enum Kind { Write, Truncate, Reserve } kind = Write;
    std::uint64_t offset = 0;  // Write
    Bytes bytes;               // Write
    std::uint64_t size = 0;    // Truncate, Reserve
  };
  // Counts one write operation on path; returns how many bytes of it may reach the file
  // (everything, a torn part, or nothing when the machine has stopped).
  std::optional<std::size_t> Admit(const std::string& path, const Operation& operation);
  void Synced(const std::string& path, TableFile& file);
  void Opened(const std::string& path, TableFile* file);
  void Closed(const std::string& path);

 protected:
  FileOpenResult OpenUnshared(const std::string& path, OpenAccess access) override;

 private:
  // What the disk holds of one file: its bytes at the last Sync and the writes since.
  struct Track {
    Bytes durable;
    std::vector<Operation> since;
  };
  // Counts an operation that is not a write into one file; false when it may not happen.
  bool AdmitNamed();
  void Follow(const std::string& path, TableFile& file);
  void CutPower(const std::string* path, const Operation* last);

  FileSystem& inner_;
  int stopAt_ = 0;
  std::optional<std::size_t> tearAt_;
  bool powerCut_ = false;
  std::uint32_t seed_ = 0;
  bool stopped_ = false;
  int writes_ = 0;
  int syncs_ = 0;
  std::vector<std::size_t> sizes_;
  std::map<std::string, FileOpenError> failingOpens_;
  std::map<std::string, Track> tracks_;
  std::map<std::string, TableFile*> open_;  // the inner files of the opens alive now
};

}  // namespace dbt::test
