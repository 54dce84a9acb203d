#include "base/CodePage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The tests run with the code page of the target systems, or the one a run names.
TEST(CodePage, RunsUnderTheCodePageOfTheRun) {
  const char* named = std::getenv("PELLUCOR_CODE_PAGE");
  ASSERT_EQ(GetACP(), named ? std::strtoul(named, nullptr, 10) : 936u);
}

TEST(CodePage, ChineseIn936WhateverTheSystemsCodePage) {
  EXPECT_EQ(base::ToCodePageExact(936, L"张三"), "\xD5\xC5\xC8\xFD");
  EXPECT_EQ(base::ToCodePageExact(936, L"查询"), "\xB2\xE9\xD1\xAF");
}

TEST(CodePage, ExactConversionRefusesWhatTheCodePageLacks) {
  EXPECT_FALSE(base::ToCodePageExact(936, L"\uD55C").has_value());  // Hangul is not in 936
  EXPECT_FALSE(base::ToCodePageExact(936, L"\u0151").has_value());
  EXPECT_FALSE(base::ToCodePageExact(936, L"\U0001F600").has_value());
  EXPECT_EQ(base::ToCodePageExact(936, L"a?b"), "a?b");
  EXPECT_EQ(base::ToCodePageExact(936, L""), "");
}

}  // namespace
