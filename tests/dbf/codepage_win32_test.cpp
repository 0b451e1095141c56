#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dbf/codepage.h"

namespace dbt {
namespace {

// The character of one byte in the given code page, if that page defines the byte.
bool DecodeByte(UINT codePage, std::uint8_t byte, wchar_t& ch) {
  const char in = static_cast<char>(byte);
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &in, 1, &ch, 1) == 1;
}

// The byte of a character in the given code page, only if the page holds it exactly.
bool EncodeExactly(UINT codePage, wchar_t ch, std::uint8_t& byte) {
  char out = 0;
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &ch, 1, &out, 1, nullptr, &usedDefault) !=
          1 ||
      usedDefault) {
    return false;
  }
  byte = static_cast<std::uint8_t>(out);
  return true;
}

// Bytes 1 to 255 whose character both pages hold: the ones that the tables must map as the
// system does; the others are paired among themselves. System: OEM 852 with ANSI 1250.
int SharedByteCount(CodePagePair pair) {
  return pair == CodePagePair::Oem437Ansi1252 ? 181 : pair == CodePagePair::System ? 226 : 224;
}

// One byte through the system's conversion, in its own zero-terminated buffer.
std::uint8_t SystemOemToAnsi(std::uint8_t byte) {
  char text[2] = {static_cast<char>(byte), 0};
  OemToCharA(text, text);
  return static_cast<std::uint8_t>(text[0]);
}

std::uint8_t SystemAnsiToOem(std::uint8_t byte) {
  char text[2] = {static_cast<char>(byte), 0};
  CharToOemA(text, text);
  return static_cast<std::uint8_t>(text[0]);
}

// The test runs once per locale; DBT_EXPECT_OEMCP names the OEM page each run must see, so
// that both tables are really compared.
TEST(CodePagesOnWindows, RunUnderTheExpectedCodePages) {
  const UINT oem = GetOEMCP();
  ASSERT_TRUE(oem == 850 || oem == 437 || oem == 852) << "OEM code page " << oem;
  ASSERT_EQ(GetACP(), oem == 852 ? 1250u : 1252u);
  const char* expected = std::getenv("DBT_EXPECT_OEMCP");
  if (expected != nullptr) {
    EXPECT_EQ(oem, static_cast<UINT>(std::atoi(expected)));
  }
  EXPECT_EQ(PlatformCodePages(), oem == 437   ? CodePagePair::Oem437Ansi1252
                                 : oem == 850 ? CodePagePair::Oem850Ansi1252
                                              : CodePagePair::System);
}

TEST(CodePagesOnWindows, OemToAnsiMatchesOemToCharAWhereBothPagesHoldTheCharacter) {
  const ByteTable& table = OemToAnsiTable(PlatformCodePages());
  int compared = 0;
  for (int b = 1; b < 256; ++b) {
    wchar_t ch = 0;
    std::uint8_t ansi = 0;
    if (!DecodeByte(CP_OEMCP, static_cast<std::uint8_t>(b), ch)) continue;
    if (!EncodeExactly(CP_ACP, ch, ansi)) continue;
    EXPECT_EQ(table[b], SystemOemToAnsi(static_cast<std::uint8_t>(b)))
        << "OEM byte 0x" << std::hex << b;
    EXPECT_EQ(table[b], ansi) << "OEM byte 0x" << std::hex << b;
    ++compared;
  }
  EXPECT_EQ(compared, SharedByteCount(PlatformCodePages()));
}

TEST(CodePagesOnWindows, AnsiToOemMatchesCharToOemAWhereBothPagesHoldTheCharacter) {
  const ByteTable& table = AnsiToOemTable(PlatformCodePages());
  int compared = 0;
  for (int b = 1; b < 256; ++b) {
    wchar_t ch = 0;
    std::uint8_t oem = 0;
    if (!DecodeByte(CP_ACP, static_cast<std::uint8_t>(b), ch)) continue;
    if (!EncodeExactly(CP_OEMCP, ch, oem)) continue;
    EXPECT_EQ(table[b], SystemAnsiToOem(static_cast<std::uint8_t>(b)))
        << "ANSI byte 0x" << std::hex << b;
    EXPECT_EQ(table[b], oem) << "ANSI byte 0x" << std::hex << b;
    ++compared;
  }
  EXPECT_EQ(compared, SharedByteCount(PlatformCodePages()));
}

// The reason for our own tables, and for pairing the system's: the system maps characters one
// page lacks to look-alikes, so a plain read and write would change them.
TEST(CodePagesOnWindows, SystemConversionIsLossyWhereOursIsNot) {
  int lost = 0;
  for (int b = 1; b < 256; ++b) {
    const std::uint8_t back = SystemAnsiToOem(SystemOemToAnsi(static_cast<std::uint8_t>(b)));
    if (back != b) ++lost;
  }
  EXPECT_GT(lost, 0);
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::string text = all;
  CodePagePair saved = ActiveCodePages();
  SetActiveCodePages(PlatformCodePages());
  AnsiToOem(OemToAnsi(text));
  SetActiveCodePages(saved);
  EXPECT_EQ(text, all);
}

}  // namespace
}  // namespace dbt
