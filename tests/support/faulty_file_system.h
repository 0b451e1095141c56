#pragma once
// A FileSystem that passes everything to another one but can lose power at a chosen write:
// from the k-th write operation on (WriteAt and Truncate of any file it opened, counted from 1),
// every write fails without touching the file, as if the machine had stopped there. Reads keep
// working, so a test can look at what the file holds at that moment. It can also refuse the
// open of one path with a chosen error.
//
//   FaultyFileSystem files;            // wraps PlatformFileSystem()
//   files.StopAtWrite(3);              // writes 1 and 2 happen, 3 and later do not
//   TableEngine engine(files);
//   ...                                // run the operation, then reopen with a fresh engine
//   files.WriteCount();                // write operations asked for so far, failed ones included

#include <cstdint>
#include <map>
#include <string>

#include "dbf/table_file.h"

namespace dbt::test {

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner = PlatformFileSystem());

  // 0 (the default) never stops.
  void StopAtWrite(int k) { stopAt_ = k; }
  int WriteCount() const { return writes_; }
  // Opens of path fail with error (Missing, Locked, ...) until cleared with FileOpenError::None.
  void FailOpen(const std::string& path, FileOpenError error);

  FileOpenResult OpenExclusive(const std::string& path, OpenAccess access) override;
  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  bool SameFile(const std::string& a, const std::string& b) override {
    return inner_.SameFile(a, b);
  }

  // Counts one write operation; true when it may reach the file.
  bool AllowWrite();

 private:
  FileSystem& inner_;
  int stopAt_ = 0;
  int writes_ = 0;
  std::map<std::string, FileOpenError> failingOpens_;
};

}  // namespace dbt::test
