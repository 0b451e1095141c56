#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "util/text.h"

namespace dbt {
namespace {

std::string SystemUpper(std::string text) {
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// CTest runs these under code page 1252, where our table answers, and under 1250 (ł at 0xB3,
// ś at 0x9C), where the table would be wrong.

TEST(UpperAnsiOnWindows, MatchesCharUpperBuffAForEveryByte) {
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    EXPECT_EQ(static_cast<unsigned char>(UpperAnsi(one)[0]),
              static_cast<unsigned char>(SystemUpper(one)[0]))
        << "byte 0x" << std::hex << c;
  }
}

TEST(UpperAnsiOnWindows, MatchesCharUpperBuffAOnAllBytesInOneBuffer) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  all += all;  // every byte once more after every other one
  EXPECT_EQ(UpperAnsi(all), SystemUpper(all));
}

}  // namespace
}  // namespace dbt
