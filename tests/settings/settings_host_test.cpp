#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace dbt {
namespace {

TEST(PlatformSettingsHost, KnowsTheExecutableFilesAndFolders) {
  SettingsHost& host = PlatformSettingsHost();
  const std::string exe = host.ExePath();
  EXPECT_NE(exe.find("settings_tests"), std::string::npos) << exe;
  EXPECT_TRUE(host.Exists(exe));

  test::TempDir dir;
  EXPECT_TRUE(host.Exists(dir.Path().string()));
  EXPECT_FALSE(host.Exists(dir.File("none.ini")));
}

TEST(PlatformSettingsHost, SettingsFileLiesBesideTheExecutable) {
  Settings settings;
  const std::string file = settings.FilePath();
  EXPECT_NE(file, settings.Host().ExePath());
  EXPECT_EQ(file.substr(0, settings.ExeFolder().size()), settings.ExeFolder());
  EXPECT_TRUE(file.ends_with("settings_tests.ini")) << file;
}

TEST(PlatformSettingsHost, ProfileWritesReadBackAndCreateTheFile) {
  SettingsHost& host = PlatformSettingsHost();
  test::TempDir dir;
  const std::string file = dir.File("Journal.ini");
  EXPECT_EQ(host.ReadProfileString(file, "PDFtoSFF", "PDFtoSFF", "0"), "0");
  ASSERT_TRUE(host.WriteProfileText(file, "LastFileOpen", "LastFile01", "\"D:\\j.dbf\""));
  EXPECT_TRUE(host.Exists(file));
  EXPECT_EQ(host.ReadProfileString(file, "lastfileopen", "lastfile01", ""), "D:\\j.dbf");
}

#ifdef _WIN32
TEST(PlatformSettingsHost, AsksTheSystemForDriveTypes) {
  SettingsHost& host = PlatformSettingsHost();
  EXPECT_EQ(host.DriveType("C:\\"), 3);
  EXPECT_EQ(host.DriveType(""), 1);
}
#else
TEST(PlatformSettingsHost, CountsEveryDriveAsFixed) {
  EXPECT_EQ(PlatformSettingsHost().DriveType(""), 3);
  EXPECT_EQ(PlatformSettingsHost().DriveType("F:\\"), 3);
}
#endif

}  // namespace
}  // namespace dbt
