#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "settings/ini_file.h"
#include "tests/support/temp_dir.h"

namespace dbt {
namespace {

// Each case: a file as it is before (none when absent), one write, then keys to read back.
struct Probe {
  const char* section;
  const char* key;
  const char* expected;  // with the default "<none>"
};
struct CrossCase {
  const char* name;
  std::optional<std::string> before;
  const char* section;
  const char* key;
  const char* value;
  std::vector<Probe> probes;
};

std::vector<CrossCase> Cases() {
  return {
      {"new file",
       std::nullopt,
       "HmWinPos",
       "HmWinPosX",
       "34",
       {{"HmWinPos", "HmWinPosX", "34"}, {"HmWinPos", "HmWinPosY", "<none>"}}},
      {"new section",
       "[A]\r\nx=1\r\n",
       "PDFtoSFF",
       "PDFtoSFF",
       "1",
       {{"A", "x", "1"}, {"PDFtoSFF", "PDFtoSFF", "1"}, {"A", "PDFtoSFF", "<none>"}}},
      {"new key in its section",
       "[A]\r\nx=1\r\n[B]\r\ny=2\r\n",
       "A",
       "z",
       "3",
       {{"A", "x", "1"}, {"A", "z", "3"}, {"B", "y", "2"}, {"B", "z", "<none>"}}},
      {"existing key",
       "[LastFileOpen]\r\nLastFile01=\"C:\\old.dbf\"\r\nLastFile02=\"C:\\two.dbf\"\r\n",
       "LastFileOpen",
       "LastFile01",
       "\"D:\\Fax\\journal.dbf\"",
       {{"LastFileOpen", "LastFile01", "D:\\Fax\\journal.dbf"},
        {"LastFileOpen", "LastFile02", "C:\\two.dbf"}}},
      {"quotes",
       "[Q]\r\nd=\"double\"\r\ns='single'\r\nm=\"mixed'\r\ne=\"\"\r\nin=a\"b\"\r\n",
       "Q",
       "w",
       "' both '",
       {{"Q", "d", "double"},
        {"Q", "s", "single"},
        {"Q", "m", "\"mixed'"},
        {"Q", "e", ""},
        {"Q", "in", "a\"b\""},
        {"Q", "w", " both "}}},
      {"blanks",
       "[S]\r\n  k  =  spaced value  \r\n\tt\t=\t9\t\r\nempty=\r\n",
       "S",
       "v",
       "  120  ",
       {{"S", "k", "spaced value"}, {"S", "t", "9"}, {"S", "empty", ""}, {"S", "v", "120"}}},
      {"case",
       "[HmWinPos]\r\nHmWinPosX=1\r\n",
       "hmwinpos",
       "HMWINPOSX",
       "-4",
       {{"HmWinPos", "HmWinPosX", "-4"}, {"HMWINPOS", "hmwinposx", "-4"}}},
      {"lines ending in LF",
       "[A]\nx=1\n[B]\ny=2\n",
       "B",
       "y",
       "5",
       {{"A", "x", "1"}, {"B", "y", "5"}}},
  };
}

std::string SystemRead(const std::string& file, const Probe& probe) {
  char buffer[520];
  const DWORD length = GetPrivateProfileStringA(probe.section, probe.key, "<none>", buffer,
                                                sizeof buffer, file.c_str());
  return std::string(buffer, length);
}

std::string OurRead(const std::string& file, const Probe& probe) {
  return ReadIniFileString(file, probe.section, probe.key, "<none>");
}

void Prepare(const test::TempDir& dir, const std::string& name, const CrossCase& c,
             std::string& file) {
  file = dir.File(name);
  if (c.before) test::WriteFileText(file, *c.before);
}

TEST(IniFileAgainstTheSystem, OurWritesReadTheSameThroughGetPrivateProfileString) {
  test::TempDir dir;
  int n = 0;
  for (const CrossCase& c : Cases()) {
    std::string file;
    Prepare(dir, "ours" + std::to_string(n++) + ".ini", c, file);
    ASSERT_TRUE(WriteIniFileString(file, c.section, c.key, c.value)) << c.name;
    for (const Probe& probe : c.probes) {
      EXPECT_EQ(SystemRead(file, probe), probe.expected) << c.name << ": " << probe.key;
      EXPECT_EQ(OurRead(file, probe), probe.expected) << c.name << ": " << probe.key;
    }
  }
}

TEST(IniFileAgainstTheSystem, SystemWritesReadTheSameThroughOurReader) {
  test::TempDir dir;
  int n = 0;
  for (const CrossCase& c : Cases()) {
    std::string file;
    Prepare(dir, "system" + std::to_string(n++) + ".ini", c, file);
    ASSERT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str())) << c.name;
    for (const Probe& probe : c.probes) {
      EXPECT_EQ(OurRead(file, probe), probe.expected) << c.name << ": " << probe.key;
      EXPECT_EQ(SystemRead(file, probe), probe.expected) << c.name << ": " << probe.key;
    }
  }
}

TEST(IniFileAgainstTheSystem, BothCreateTheSameNewFile) {
  test::TempDir dir;
  const std::string ours = dir.File("ours.ini"), system = dir.File("system.ini");
  for (const auto& [section, key, value] :
       {std::tuple{"HmWinPos", "HmWinPosX", "34"}, std::tuple{"HmWinPos", "HmWinPosY", "-4"},
        std::tuple{"PDFtoSFF", "PDFtoSFF", "1"}, std::tuple{"HmWinPos", "HmWinPosX", "35"}}) {
    ASSERT_TRUE(WriteIniFileString(ours, section, key, value));
    ASSERT_TRUE(WritePrivateProfileStringA(section, key, value, system.c_str()));
  }
  EXPECT_EQ(test::ReadFileText(ours), test::ReadFileText(system));
}

}  // namespace
}  // namespace dbt
