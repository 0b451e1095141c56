#pragma once
// A fresh folder per test, removed with everything in it when the test ends.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace dbt::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Full path of a file in the folder, as the platform's own path text.
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

}  // namespace dbt::test
