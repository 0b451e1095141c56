#include "settings/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/ini_file.h"
#include "tests/settings/fake_settings_host.h"

namespace dbt {
namespace {

using test::FakeSettingsHost;

TEST(ExeSiblingPath, ReplacesTheExeExtensionInAnyCase) {
  FakeSettingsHost host;
  Settings settings(host);
  host.exePath = "D:\\Tools\\Journal.Exe";
  EXPECT_EQ(settings.ExeSiblingPath("ini"), "D:\\Tools\\Journal.ini");
  host.exePath = "D:\\A\\TOOL.EXE";
  EXPECT_EQ(settings.ExeSiblingPath("ini"), "D:\\A\\TOOL.ini");
  EXPECT_EQ(settings.FilePath(), "D:\\A\\TOOL.ini");
}

TEST(ExeSiblingPath, NeverNamesTheExecutableItself) {
  FakeSettingsHost host;
  Settings settings(host);
  host.exePath = "/opt/dbasetool/journal-tool";
  EXPECT_EQ(settings.ExeSiblingPath("ini"), "/opt/dbasetool/journal-tool.ini");
  host.exePath = "D:\\Tools\\exe";
  EXPECT_EQ(settings.ExeSiblingPath("ini"), "D:\\Tools\\exe.ini");
  host.exePath = "";
  EXPECT_EQ(settings.ExeSiblingPath("ini"), "");
}

TEST(ExeFolder, EndsInTheSeparator) {
  FakeSettingsHost host;
  Settings settings(host);
  EXPECT_EQ(settings.ExeFolder(), "D:\\Tools\\");
  host.exePath = "/opt/tool";
  EXPECT_EQ(settings.ExeFolder(), "/opt/");
  host.exePath = "tool.exe";
  EXPECT_EQ(settings.ExeFolder(), "");
}

class LastFileTest : public testing::Test {
 protected:
  static constexpr const char* kIni = "F:\\Tools\\Journal.ini";
  LastFileTest() { host.exePath = "F:\\Tools\\Journal.exe"; }
  void Store(const std::string& key, const std::string& value) {
    host.files[kIni] = *IniWriteString(host.files[kIni], "LastFileOpen", key, value);
  }
  std::string Stored(const std::string& key) {
    return IniReadString(host.files[kIni], "LastFileOpen", key, "<missing>");
  }
  std::string Read(int mode) {
    std::string path = "caller's";
    const std::string result = settings.LastFileSetting(path, mode);
    EXPECT_EQ(path, result);
    return result;
  }
  FakeSettingsHost host;
  Settings settings{host};
};

TEST_F(LastFileTest, FixedDiskGivesEveryStoredPathBackUnchanged) {
  for (const int type : {3, 5}) {
    host.driveType = type;
    Store("LastFile01", "\"Q:\\Gone\\journal.dbf\"");
    EXPECT_EQ(Read(0), "Q:\\Gone\\journal.dbf");
    EXPECT_EQ(host.writes, 0);
  }
  EXPECT_EQ(host.driveTypeQueries.back(), "F:\\");
}

TEST_F(LastFileTest, RemovableDriveTakesTablesFromTheExeFolder) {
  host.driveType = 2;
  Store("LastFile01", "\"E:\\Tools\\Sub\\journal.dbf\"");
  EXPECT_EQ(Read(0), "F:\\Tools\\journal.dbf");
  // Written back at once, with quotes, under the key it was read from.
  EXPECT_EQ(Stored("LastFile01"), "F:\\Tools\\journal.dbf");
  EXPECT_NE(host.files[kIni].find("LastFile01=\"F:\\Tools\\journal.dbf\""), std::string::npos);

  Store("LastFile02", "C:\\Fax\\append.dbf");
  EXPECT_EQ(Read(20), "F:\\Tools\\append.dbf");
  EXPECT_EQ(Stored("LastFile02"), "F:\\Tools\\append.dbf");
  EXPECT_EQ(Stored("LastFile01"), "F:\\Tools\\journal.dbf");
}

TEST_F(LastFileTest, RemovableDriveKeepsPathsOnItsOwnDriveAndEmptyText) {
  for (const int type : {0, 1, 2, 4, 6}) {
    host.driveType = type;
    Store("LastFile01", "\" f:\\Other\\journal.dbf \"");
    EXPECT_EQ(Read(0), "f:\\Other\\journal.dbf") << type;
    Store("LastFile01", "\"\"");
    EXPECT_EQ(Read(0), "") << type;
  }
  EXPECT_EQ(Read(20), "");  // no key at all
  EXPECT_EQ(host.writes, 0);
}

// A share name never changes as a stick's drive letter does: the remembered table stays.
TEST_F(LastFileTest, AToolStartedFromAShareKeepsEveryStoredPath) {
  host.exePath = "\\\\server\\tools\\Journal.exe";
  host.driveType = 1;
  const std::string ini = "\\\\server\\tools\\Journal.ini";
  host.files[ini] = *IniWriteString("", "LastFileOpen", "LastFile01", "\"C:\\Fax\\journal.dbf\"");
  std::string path;
  EXPECT_EQ(settings.LastFileSetting(path, 0), "C:\\Fax\\journal.dbf");
  EXPECT_EQ(host.writes, 0);
}

TEST_F(LastFileTest, FolderPathReadsEmptyOnAnyDrive) {
  for (const int type : {2, 3}) {
    host.driveType = type;
    Store("LastFile01", "\"E:\\Fax\\\"");
    EXPECT_EQ(Read(0), "");
  }
  EXPECT_EQ(host.writes, 0);
}

TEST_F(LastFileTest, NoSettingsFileReadsEmpty) {
  EXPECT_EQ(Read(0), "");
  EXPECT_EQ(Read(20), "");
  EXPECT_TRUE(host.files.empty());
}

TEST_F(LastFileTest, WritesTheTrimmedPathInQuotesAndLeavesTheCallersText) {
  std::string path = "  D:\\Fax\\journal.dbf ";
  EXPECT_EQ(settings.LastFileSetting(path, 1), "");
  EXPECT_EQ(path, "  D:\\Fax\\journal.dbf ");
  std::string other = "D:\\Fax\\other.dbf";
  EXPECT_EQ(settings.LastFileSetting(other, 21), "");
  EXPECT_EQ(host.files[kIni],
            "[LastFileOpen]\r\nLastFile01=\"D:\\Fax\\journal.dbf\"\r\n"
            "LastFile02=\"D:\\Fax\\other.dbf\"\r\n");
}

TEST_F(LastFileTest, LongPathIsCutTo519CharactersWithItsClosingQuote) {
  std::string path(600, 'x');
  (void)settings.LastFileSetting(path, 1);
  const std::string stored =
      host.files[kIni].substr(host.files[kIni].find('=') + 1, std::string::npos);
  EXPECT_EQ(stored, "\"" + std::string(517, 'x') + "\"\r\n");
  EXPECT_EQ(Read(0), std::string(517, 'x'));
}

TEST_F(LastFileTest, OtherModesDoNothing) {
  Store("LastFile01", "\"D:\\j.dbf\"");
  const std::string before = host.files[kIni];
  for (const int mode : {-1, 2, 10, 19, 22, 100}) {
    std::string path = "D:\\x.dbf";
    EXPECT_EQ(settings.LastFileSetting(path, mode), "");
    EXPECT_EQ(path, "D:\\x.dbf");
  }
  EXPECT_EQ(host.files[kIni], before);
  EXPECT_TRUE(host.driveTypeQueries.empty());
}

TEST(PdfToSffSetting, ReadsTheDigitsOfTheStoredText) {
  FakeSettingsHost host;
  Settings settings(host);
  const std::string ini = "D:\\Tools\\Journal.ini";
  std::int32_t value = 7;
  EXPECT_EQ(settings.PdfToSffSetting(value, 0), 0);  // no file: the default "0"
  EXPECT_EQ(value, 0);
  const struct {
    const char* stored;
    std::int32_t expected;
  } cases[] = {{" 1 ", 1}, {"-1", 1}, {"1,0", 10}, {"x", 0}, {"", 0}};
  for (const auto& c : cases) {
    host.files[ini] = std::string("[PDFtoSFF]\nPDFtoSFF=") + c.stored + "\n";
    value = 7;
    EXPECT_EQ(settings.PdfToSffSetting(value, 0), c.expected) << c.stored;
    EXPECT_EQ(value, c.expected) << c.stored;
  }
}

TEST(PdfToSffSetting, WritesTheValueAsDecimalAndOtherModesDoNothing) {
  FakeSettingsHost host;
  Settings settings(host);
  std::int32_t value = 1;
  EXPECT_EQ(settings.PdfToSffSetting(value, 1), 0);
  EXPECT_EQ(host.files["D:\\Tools\\Journal.ini"], "[PDFtoSFF]\r\nPDFtoSFF=1\r\n");
  value = 0;
  EXPECT_EQ(settings.PdfToSffSetting(value, 1), 0);
  EXPECT_EQ(host.files["D:\\Tools\\Journal.ini"], "[PDFtoSFF]\r\nPDFtoSFF=0\r\n");
  value = 5;
  EXPECT_EQ(settings.PdfToSffSetting(value, 2), 0);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(host.writes, 2);
}

TEST(Settings, WithoutAnExecutablePathNothingIsWritten) {
  FakeSettingsHost host;
  host.exePath = "";
  Settings settings(host);
  std::string path = "D:\\j.dbf";
  (void)settings.LastFileSetting(path, 1);
  std::int32_t value = 1;
  (void)settings.PdfToSffSetting(value, 1);
  EXPECT_EQ(host.writes, 0);
  EXPECT_EQ(settings.PdfToSffSetting(value, 0), 0);
}

}  // namespace
}  // namespace dbt
