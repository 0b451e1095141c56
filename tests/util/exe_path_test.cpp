#include "util/exe_path.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace dbt {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

TEST(ExePath, NamesThisTestProgramAndItsFolder) {
  const std::string path = ExeModulePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
  EXPECT_NE(path.find("util_tests"), std::string::npos) << path;

  const std::string folder = ExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), kSeparator);
  EXPECT_EQ(path.substr(0, folder.size()), folder);
  EXPECT_EQ(path.find(kSeparator, folder.size()), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
}

}  // namespace
}  // namespace dbt
