#pragma once
// Real folder trees of fax documents for the command-line tests, and the journal paths that
// name them: on POSIX hosts under the drive E: mapped with --map, on Windows the folder's own
// path, looked up as it stands.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace dbt::test {

class DocumentTree {
 public:
  explicit DocumentTree(std::filesystem::path root) : root_(std::move(root)) {
    std::filesystem::create_directories(root_);
  }

  // name: UTF-8, "/" between folders; the document is created with its folders.
  void Add(const std::string& name) const {
    const std::filesystem::path file = root_ / Utf8(name);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "fax";
  }

  // rest: as the journal stores it after the root (OEM bytes, "\" between folders).
  std::string JournalPath(const std::string& rest) const { return JournalRoot() + "\\" + rest; }

  // The root as the journal names it, without trailing "\".
  std::string JournalRoot() const {
#ifdef _WIN32
    return root_.string();
#else
    return "E:";
#endif
  }

  // What tells the tool where the journal's root lies on this machine.
  std::vector<std::string> MapArgs() const {
#ifdef _WIN32
    return {};
#else
    return {"--map", "E:\\=" + root_.string()};
#endif
  }

 private:
  static std::filesystem::path Utf8(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
  }
  std::filesystem::path root_;
};

inline std::vector<std::string> Join(std::vector<std::string> a,
                                     const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace dbt::test
