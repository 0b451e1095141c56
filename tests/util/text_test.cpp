#include "util/text.h"

#include <gtest/gtest.h>

#include <string>

namespace dbt {
namespace {

TEST(UpperAnsi, UpperCasesAsciiAndLatinLettersOfTheCodePage) {
  EXPECT_EQ(UpperAnsi("dbase 3 plus"), "DBASE 3 PLUS");
  EXPECT_EQ(UpperAnsi(""), "");
  EXPECT_EQ(UpperAnsi("journal.exe"), "JOURNAL.EXE");
  // ä ö ü -> Ä Ö Ü, š œ ž ÿ -> Š Œ Ž Ÿ
  EXPECT_EQ(UpperAnsi("\xE4\xF6\xFC"), "\xC4\xD6\xDC");
  EXPECT_EQ(UpperAnsi("\x9A\x9C\x9E\xFF"), "\x8A\x8C\x8E\x9F");
}

TEST(UpperAnsi, LeavesCharactersWithoutCapitalAndKeepsLengthAndNul) {
  // ß, µ, the division sign, digits, punctuation and upper case letters stay.
  EXPECT_EQ(UpperAnsi("\xDF\xB5\xF7 09:\\_ABZ\xC4"), "\xDF\xB5\xF7 09:\\_ABZ\xC4");
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(UpperAnsi(withNul), std::string("A\0B", 3));
}

TEST(FolderAndFileName, SplitAtTheLastColonOrBackslash) {
  EXPECT_EQ(FolderOf("D:\\Fax\\journal.dbf"), "D:\\Fax\\");
  EXPECT_EQ(FileNameOf("D:\\Fax\\journal.dbf"), "journal.dbf");
  EXPECT_EQ(FolderOf("D:journal.dbf"), "D:");
  EXPECT_EQ(FileNameOf("D:journal.dbf"), "journal.dbf");
  EXPECT_EQ(FolderOf("journal.dbf"), "");
  EXPECT_EQ(FileNameOf("journal.dbf"), "journal.dbf");
  EXPECT_EQ(FolderOf("D:\\Fax\\"), "D:\\Fax\\");
  EXPECT_EQ(FileNameOf("D:\\Fax\\"), "");
  // A colon after the last backslash wins: it comes later.
  EXPECT_EQ(FolderOf("D:\\Fax\\a:b"), "D:\\Fax\\a:");
  EXPECT_EQ(FileNameOf("D:\\Fax\\a:b"), "b");
}

TEST(FolderAndFileName, JoinedGiveBackThePath) {
  for (const std::string path : {"", "x", "\\", ":", "D:", "D:\\", "D:\\Fax\\journal.dbf",
                                 "\\\\server\\share\\a.dbf", "D:x:y\\z", "a\\\\b"}) {
    EXPECT_EQ(FolderOf(path) + FileNameOf(path), path) << path;
  }
}

TEST(ReplaceExtension, ReplacesTheLastExtensionWhateverItsCase) {
  EXPECT_EQ(ReplaceExtension("D:\\Fax\\doc.PDF", "sff"), "D:\\Fax\\doc.sff");
  EXPECT_EQ(ReplaceExtension("D:\\Fax\\doc.tif", "sff"), "D:\\Fax\\doc.sff");
  EXPECT_EQ(ReplaceExtension("D:\\Fax\\fax.0001.pdf", "sff"), "D:\\Fax\\fax.0001.sff");
  EXPECT_EQ(ReplaceExtension("D:\\Fax\\doc.", "sff"), "D:\\Fax\\doc.sff");
  EXPECT_EQ(ReplaceExtension("doc.pdf", "SFF"), "doc.SFF");
}

TEST(ReplaceExtension, FileNameWithoutDotKeepsItsNameAndFolder) {
  EXPECT_EQ(ReplaceExtension("D:\\my.dir\\doc", "sff"), "D:\\my.dir\\doc");
  EXPECT_EQ(ReplaceExtension("doc", "sff"), "doc");
  EXPECT_EQ(ReplaceExtension("D:\\Fax\\", "sff"), "D:\\Fax\\");
  EXPECT_EQ(ReplaceExtension("", "sff"), "");
}

TEST(DriveRoot, GivesTheUpperCaseRootOfALetterAndColon) {
  EXPECT_EQ(DriveRoot("d:\\fax\\x.dbf"), "D:\\");
  EXPECT_EQ(DriveRoot(" e:"), "E:\\");
  EXPECT_EQ(DriveRoot(std::string("\0 z:x \0", 7)), "Z:\\");
  EXPECT_EQ(DriveRoot("A:"), "A:\\");
}

TEST(DriveRoot, IsEmptyWithoutADriveLetter) {
  EXPECT_EQ(DriveRoot(""), "");
  EXPECT_EQ(DriveRoot("   "), "");
  EXPECT_EQ(DriveRoot("d"), "");
  EXPECT_EQ(DriveRoot("\\\\server\\share\\x"), "");
  EXPECT_EQ(DriveRoot("fax\\x.dbf"), "");
  EXPECT_EQ(DriveRoot("1:\\x"), "");
  EXPECT_EQ(DriveRoot("\xE4:\\x"), "");  // ä upper-cases to Ä, above Z
  EXPECT_EQ(DriveRoot("@:\\x"), "");
  EXPECT_EQ(DriveRoot("[:\\x"), "");
}

TEST(EnsureTrailingBackslash, LeavesExactlyOneBackslash) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"", ""},
               {"D:\\Fax", "D:\\Fax\\"},
               {"D:\\Fax\\\\\\", "D:\\Fax\\"},
               {"D:\\", "D:\\"},
               {"D:\\Fax\\", "D:\\Fax\\"},
               {"\\", "\\"},
               {"\\\\", "\\"},
               {"D:", "D:\\"}};
  for (const auto& c : cases) {
    std::string folder = c.in;
    EnsureTrailingBackslash(folder);
    EXPECT_EQ(folder, c.out) << c.in;
  }
}

TEST(Trim, RemovesNulAndBlanksOnlyAtTheEnds) {
  EXPECT_EQ(TrimNulBlank(std::string("\0 a b \0 ", 8)), "a b");
  EXPECT_EQ(TrimTrailingNulBlank(std::string(" a b\0 ", 6)), " a b");
  EXPECT_EQ(TrimNulBlank(std::string(" \0 ", 3)), "");
  EXPECT_EQ(TrimTrailingNulBlank(""), "");
  EXPECT_EQ(TrimNulBlank("\tx\t"), "\tx\t");  // tabs are no blanks here
}

}  // namespace
}  // namespace dbt
