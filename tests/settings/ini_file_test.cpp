#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace dbt {
namespace {

std::string Write(std::string_view content, std::string_view section, std::string_view key,
                  std::string_view value) {
  auto updated = IniWriteString(content, section, key, value);
  EXPECT_TRUE(updated.has_value());
  return updated.value_or("");
}

TEST(IniRead, MatchesSectionsAndKeysWithoutRegardToCase) {
  const std::string ini = "[HmWinPos]\nHmWinPosX=34\r\n[PDFtoSFF]\r\nPDFtoSFF=1\n";
  EXPECT_EQ(IniReadString(ini, "hmwinpos", "HMWINPOSX", ""), "34");
  EXPECT_EQ(IniReadString(ini, "PDFTOSFF", "pdftosff", "0"), "1");
  EXPECT_EQ(IniReadString("[\xE4]\n\xF6=1\n", "\xC4", "\xD6", ""), "1");  // ä/Ä, ö/Ö
}

TEST(IniRead, GivesTheDefaultOnlyWhenTheKeyIsMissing) {
  const std::string ini = "[A]\nempty=\nnovalue\n[B]\nx=2\n";
  EXPECT_EQ(IniReadString(ini, "A", "empty", "d"), "");
  EXPECT_EQ(IniReadString(ini, "A", "novalue", "d"), "d");
  EXPECT_EQ(IniReadString(ini, "A", "x", "d"), "d");  // the key of another section
  EXPECT_EQ(IniReadString(ini, "C", "x", "d"), "d");
  EXPECT_EQ(IniReadString("", "A", "x", "0"), "0");
  EXPECT_EQ(IniReadString("", "A", "x", "0  "), "0");
}

TEST(IniRead, TrimsBlanksAndOnePairOfEnclosingQuotes) {
  const std::string ini =
      "[S]\n  a =  120  \r\n"
      "b=\"D:\\Fax\\j.dbf\"\n"
      "c=' x '\n"
      "d=\"\"x\"\"\n"
      "e=\"open\n"
      "f=\"mixed'\n"
      "g=\"\n";
  EXPECT_EQ(IniReadString(ini, "S", "a", ""), "120");
  EXPECT_EQ(IniReadString(ini, "S", "b", ""), "D:\\Fax\\j.dbf");
  EXPECT_EQ(IniReadString(ini, "S", "c", ""), " x ");
  EXPECT_EQ(IniReadString(ini, "S", "d", ""), "\"x\"");
  EXPECT_EQ(IniReadString(ini, "S", "e", ""), "\"open");
  EXPECT_EQ(IniReadString(ini, "S", "f", ""), "\"mixed'");
  EXPECT_EQ(IniReadString(ini, "S", "g", ""), "\"");
}

TEST(IniRead, TakesTheFirstOfRepeatedSectionsAndKeys) {
  const std::string ini = "[S]\nk=1\nk=2\n[S]\nk=3\nj=4\n";
  EXPECT_EQ(IniReadString(ini, "S", "k", ""), "1");
  EXPECT_EQ(IniReadString(ini, "S", "j", "none"), "none");
}

TEST(IniWrite, CreatesSectionAndKeyInAnEmptyText) {
  EXPECT_EQ(Write("", "HmWinPos", "HmWinPosX", "34"), "[HmWinPos]\r\nHmWinPosX=34\r\n");
}

TEST(IniWrite, ReplacesAnExistingValueInPlaceKeepingEverythingElse) {
  const std::string ini = "; note\n[A]\nx=1\nKey = old \ny=2\n\n[B]\nKey=b\n";
  EXPECT_EQ(Write(ini, "a", "KEY", "new"), "; note\n[A]\nx=1\nKey=new\ny=2\n\n[B]\nKey=b\n");
}

TEST(IniWrite, AppendsANewKeyAtTheEndOfItsSection) {
  const std::string ini = "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n";
  EXPECT_EQ(Write(ini, "A", "z", "3"), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
  EXPECT_EQ(Write("[A]\n", "A", "z", "3"), "[A]\nz=3\r\n");
  EXPECT_EQ(Write("[A]\nx=1", "A", "z", "3"), "[A]\nx=1\r\nz=3\r\n");
}

TEST(IniWrite, AppendsANewSectionAtTheEndOfTheText) {
  EXPECT_EQ(Write("[A]\r\nx=1\r\n", "B", "y", "2"), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  EXPECT_EQ(Write("[A]\nx=1", "B", "y", "2"), "[A]\nx=1\r\n[B]\r\ny=2\r\n");
}

TEST(IniWrite, WhatIsWrittenReadsBack) {
  std::string ini;
  ini = Write(ini, "LastFileOpen", "LastFile01", "\"D:\\Fax\\journal.dbf\"");
  ini = Write(ini, "HmWinPos", "HmWinPosX", "-4");
  ini = Write(ini, "lastfileopen", "LASTFILE01", "\"E:\\j.dbf\"");
  EXPECT_EQ(IniReadString(ini, "LastFileOpen", "LastFile01", ""), "E:\\j.dbf");
  EXPECT_EQ(IniReadString(ini, "HmWinPos", "HmWinPosX", ""), "-4");
  EXPECT_EQ(ini, "[LastFileOpen]\r\nLastFile01=\"E:\\j.dbf\"\r\n[HmWinPos]\r\nHmWinPosX=-4\r\n");
}

TEST(IniWrite, RefusesWhatWouldNotStayOneLine) {
  EXPECT_FALSE(IniWriteString("", "S", "k", "a\r\n[Evil]\r\nx=1"));
  EXPECT_FALSE(IniWriteString("", "S", "k", std::string("a\0b", 3)));
  EXPECT_FALSE(IniWriteString("", "S", "k=j", "v"));
  EXPECT_FALSE(IniWriteString("", "S", "", "v"));
  EXPECT_FALSE(IniWriteString("", "S]", "k", "v"));
  EXPECT_FALSE(IniWriteString("", "", "k", "v"));
  EXPECT_FALSE(IniWriteString("", "S", "[k", "v"));
}

TEST(IniFile, CreatesTheFileOnTheFirstWriteAndKeepsOtherLines) {
  test::TempDir dir;
  const std::string file = dir.File("Journal.ini");
  EXPECT_EQ(ReadIniFileString(file, "PDFtoSFF", "PDFtoSFF", "0"), "0");
  EXPECT_FALSE(std::filesystem::exists(file));

  ASSERT_TRUE(WriteIniFileString(file, "PDFtoSFF", "PDFtoSFF", "1"));
  EXPECT_EQ(test::ReadFileText(file), "[PDFtoSFF]\r\nPDFtoSFF=1\r\n");

  test::WriteFileText(file, "# mine\n[PDFtoSFF]\nPDFtoSFF=1\nother=x\n");
  ASSERT_TRUE(WriteIniFileString(file, "pdftosff", "pdftosff", "0"));
  EXPECT_EQ(test::ReadFileText(file), "# mine\n[PDFtoSFF]\nPDFtoSFF=0\nother=x\n");
  EXPECT_EQ(ReadIniFileString(file, "PDFtoSFF", "PDFtoSFF", ""), "0");
  EXPECT_FALSE(std::filesystem::exists(file + ".new"));
}

TEST(IniFile, AFailedWriteLeavesTheFileAsItWas) {
  test::TempDir dir;
  const std::string file = dir.File("Journal.ini");
  test::WriteFileText(file, "[A]\nx=1\n");
  EXPECT_FALSE(WriteIniFileString(file, "A", "x", "line\nbreak"));
  EXPECT_EQ(test::ReadFileText(file), "[A]\nx=1\n");
  // A folder in place of the file cannot be read as settings and is not replaced.
  const std::string folder = dir.File("Folder.ini");
  std::filesystem::create_directory(folder);
  EXPECT_FALSE(WriteIniFileString(folder, "A", "x", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_FALSE(WriteIniFileString(dir.File("missing\\..\\nowhere/x.ini"), "A", "x", "1"));
}

}  // namespace
}  // namespace dbt
