#include "base/Ansi.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The tests run with the code page of the target systems, or the one a run names.
TEST(Ansi, RunsUnderTheCodePageOfTheRun) {
  const char* named = std::getenv("PELLUCOR_CODE_PAGE");
  ASSERT_EQ(GetACP(), named ? std::strtoul(named, nullptr, 10) : 936u);
}

TEST(Ansi, ChineseRoundTripsThroughCodePage936) {
  EXPECT_EQ(base::ToAnsi(L"张三"), "\xD5\xC5\xC8\xFD");
  EXPECT_EQ(base::FromAnsi("\xD5\xC5\xC8\xFD"), L"张三");
  EXPECT_EQ(base::ToAnsiExact(L"查询"), base::ToAnsi(L"查询"));
}

TEST(Ansi, NulBytesBecomeNulCharacters) {
  EXPECT_EQ(base::FromAnsi(std::string("\xB2\xE9\0\0", 4)), std::wstring(L"查\0\0", 3));
}

TEST(Ansi, ExactConversionRefusesWhatTheCodePageLacks) {
  EXPECT_FALSE(base::ToAnsiExact(L"\uD55C").has_value());  // Hangul is not in code page 936
  EXPECT_FALSE(base::ToAnsiExact(L"\u0151").has_value());
  EXPECT_FALSE(base::ToAnsiExact(L"\U0001F600").has_value());
  EXPECT_EQ(base::ToAnsiExact(L"a?b"), "a?b");
  EXPECT_EQ(base::ToAnsiExact(L""), "");
}

}  // namespace
