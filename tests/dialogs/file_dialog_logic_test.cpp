#include "dialogs/file_dialog_logic.h"

#include <gtest/gtest.h>

#include <string>

namespace dbt {
namespace {

using namespace std::string_literals;

const std::string kOpenTitle =
    " Datei \xD6"
    "ffnen ";
const std::string kSaveTitle = " Datei Speichern ";

TEST(FileDialogTitle, OpenLettersInEitherCaseGiveTheOpenTitle) {
  for (const char* mode : {"O", "o", "\xD6", "L", "l", "Open", "load"}) {
    EXPECT_EQ(FileDialogTitle(mode), kOpenTitle) << mode;
  }
}

TEST(FileDialogTitle, LowerCaseUmlautIsNotAnOpenLetter) {
  // Only a to z are upper-cased: "ö" stays a title of its own.
  EXPECT_EQ(FileDialogTitle("\xF6"), "\xF6");
}

TEST(FileDialogTitle, SaveLetterInEitherCaseGivesTheSaveTitle) {
  EXPECT_EQ(FileDialogTitle("S"), kSaveTitle);
  EXPECT_EQ(FileDialogTitle("s"), kSaveTitle);
  EXPECT_EQ(FileDialogTitle("sichern"), kSaveTitle);
}

TEST(FileDialogTitle, OtherTextIsTheTitleAsWritten) {
  EXPECT_EQ(FileDialogTitle("Tabelle w\xE4hlen"), "Tabelle w\xE4hlen");
  EXPECT_EQ(FileDialogTitle(" Datei"), " Datei");
  EXPECT_EQ(FileDialogTitle(""), "");
}

TEST(IsSaveTitle, FindsSpeichernOrSaveInAnyCase) {
  EXPECT_TRUE(IsSaveTitle(kSaveTitle));
  EXPECT_TRUE(IsSaveTitle("Tabelle SPEICHERN unter"));
  EXPECT_TRUE(IsSaveTitle("sAvE as"));
  EXPECT_TRUE(IsSaveTitle("unsaved"));
  EXPECT_FALSE(IsSaveTitle(kOpenTitle));
  EXPECT_FALSE(IsSaveTitle(""));
  EXPECT_FALSE(IsSaveTitle("Speicher"));
  EXPECT_FALSE(IsSaveTitle("Sav e"));
}

TEST(DialogFlags, AddOursToTheCallersAndSavingAsksBeforeOverwriting) {
  EXPECT_EQ(OpenDialogFlags(0), 0xA81825u);
  EXPECT_EQ(SaveDialogFlags(0), 0xA81827u);
  EXPECT_EQ(OpenDialogFlags(0x10000000u), 0xA81825u | 0x10000000u);
  EXPECT_EQ(OpenDialogFlags(kOfnReadOnly), 0xA81825u);
}

TEST(CompleteFilter, KeepsAFilterThatAlreadyHoldsAllFiles) {
  EXPECT_EQ(CompleteFilter("Alle (*.*)|*.*|"), "Alle (*.*)|*.*|");
  EXPECT_EQ(CompleteFilter("Text|*.txt|Alle|*.*|"), "Text|*.txt|Alle|*.*|");
}

TEST(CompleteFilter, AppendsAllFilesToAnyOtherFilter) {
  EXPECT_EQ(CompleteFilter("Dbase 3 Plus (*.dbf)|*.dbf|"),
            "Dbase 3 Plus (*.dbf)|*.dbf|All Files (*.*)|*.*||");
  // "*.*" without its two bars is no all-files entry.
  EXPECT_EQ(CompleteFilter("Alle|*.*"), "Alle|*.*All Files (*.*)|*.*||");
  EXPECT_EQ(CompleteFilter(""), "All Files (*.*)|*.*||");
}

TEST(FilterList, TurnsBarsIntoNulsAndEndsWithOneMore) {
  EXPECT_EQ(FilterList("Dbase 3 Plus (*.dbf)|*.dbf|All Files (*.*)|*.*||"),
            "Dbase 3 Plus (*.dbf)\0*.dbf\0All Files (*.*)\0*.*\0\0\0"s);
  EXPECT_EQ(FilterList(""), "\0"s);
}

TEST(OpenFileBuffer, HoldsStartTextNulAndBlanksIn8192Bytes) {
  const std::string buffer = OpenFileBuffer("C:\\Fax\\journal.dbf");
  ASSERT_EQ(buffer.size(), 8192u);
  EXPECT_EQ(buffer.substr(0, 19), "C:\\Fax\\journal.dbf\0"s);
  EXPECT_EQ(buffer.find_first_not_of(' ', 19), std::string::npos);
}

TEST(OpenFileBuffer, KeepsAStartTextUpToAndIncludingItsFirstNul) {
  const std::string buffer = OpenFileBuffer("a.dbf\0b.dbf"s);
  ASSERT_EQ(buffer.size(), 8192u);
  EXPECT_EQ(buffer.substr(0, 6), "a.dbf\0"s);
  EXPECT_EQ(buffer.find_first_not_of(' ', 6), std::string::npos);
}

TEST(OpenFileBuffer, CutsAStartTextThatWouldNotFit) {
  const std::string buffer = OpenFileBuffer(std::string(9000, 'x'));
  ASSERT_EQ(buffer.size(), 8192u);
  EXPECT_EQ(buffer.back(), '\0');
  EXPECT_EQ(buffer.find('\0'), 8191u);
}

TEST(SaveFileBuffer, Holds261BytesOrFewerWhenTheStartHasANul) {
  const std::string plain = SaveFileBuffer("neu.dbf");
  ASSERT_EQ(plain.size(), 261u);
  EXPECT_EQ(plain.substr(0, 8), "neu.dbf\0"s);
  EXPECT_EQ(plain.find_first_not_of(' ', 8), std::string::npos);

  const std::string withNul = SaveFileBuffer("neu.dbf\0alt"s);
  ASSERT_EQ(withNul.size(), 260u);
  EXPECT_EQ(withNul.substr(0, 8), "neu.dbf\0"s);
  EXPECT_EQ(withNul.find_first_not_of(' ', 8), std::string::npos);
}

TEST(SaveFileBuffer, CutsTheStartTextTo260Characters) {
  const std::string buffer = SaveFileBuffer(std::string(300, 'x'));
  ASSERT_EQ(buffer.size(), 261u);
  EXPECT_EQ(buffer.find('\0'), 260u);
  // A NUL beyond the 260 kept characters is cut away with them.
  const std::string lateNul = SaveFileBuffer(std::string(270, 'y') + '\0');
  ASSERT_EQ(lateNul.size(), 261u);
  EXPECT_EQ(lateNul.find('\0'), 260u);
}

TEST(ValidFilterIndex, RaisesAnythingBelowOneToTheFirstFilter) {
  EXPECT_EQ(ValidFilterIndex(0), 1);
  EXPECT_EQ(ValidFilterIndex(-5), 1);
  EXPECT_EQ(ValidFilterIndex(1), 1);
  EXPECT_EQ(ValidFilterIndex(3), 3);
}

TEST(CutBuffer, SavingKeepsTextBeforeFirstNulOpeningBeforeLast) {
  const std::string multiple = "C:\\Fax\0a.dbf\0b.dbf\0    "s;
  EXPECT_EQ(CutSaveBuffer(multiple), "C:\\Fax");
  EXPECT_EQ(CutOpenBuffer(multiple), "C:\\Fax\0a.dbf\0b.dbf"s);
  EXPECT_EQ(CutOpenBuffer("C:\\a.dbf\0   "s), "C:\\a.dbf");
  EXPECT_EQ(CutSaveBuffer("\0"s), "");
}

TEST(CutBuffer, ABufferWithoutNulGivesEmptyText) {
  EXPECT_EQ(CutSaveBuffer("C:\\a.dbf   "), "");
  EXPECT_EQ(CutOpenBuffer("C:\\a.dbf   "), "");
}

}  // namespace
}  // namespace dbt
