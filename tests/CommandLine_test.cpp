#include "CommandLine.h"

#include <gtest/gtest.h>

#include "base/Shortcut.h"

namespace {

TEST(CommandLine, SwitchesThenTheAccount) {
  struct Case {
    const wchar_t* line;
    const wchar_t* account;  // null: none
    unsigned watchSeconds;   // 0: no watch
    bool usage = false, unknown = false;
  };
  const Case cases[] = {
      {L"Pellucor.exe", nullptr, 0},
      {L"\"C:\\a b\\Pellucor.exe\" 张三", L"张三", 0},
      {L"Pellucor.exe   \"张 三\"  ", L"张 三", 0},  // the blanks and the quotes around it go
      {L"Pellucor.exe a \"b\" c", L"a \"b\" c", 0},  // the rest of the line, as it is
      {L"Pellucor.exe \"/x\"", L"/x", 0},            // in quotes, no switch
      {L"Pellucor.exe /w 张三", L"张三", 60},
      {L"Pellucor.exe /W:10 a", L"a", 10},
      {L"Pellucor.exe /w:86400", nullptr, 86400},
      {L"Pellucor.exe a /w", L"a /w", 0},  // switches come first
      {L"Pellucor.exe /?", nullptr, 0, true},
      {L"Pellucor.exe /w:9 a", L"a", 0, true, true},
      {L"Pellucor.exe /w:86401", nullptr, 0, true, true},
      {L"Pellucor.exe /w:1x", nullptr, 0, true, true},
      {L"Pellucor.exe /x a", L"a", 0, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.line)));
    const StartOptions options = ParseCommandLine(c.line);
    EXPECT_EQ(options.account, c.account ? std::optional<std::wstring>(c.account) : std::nullopt);
    EXPECT_EQ(options.showUsage, c.usage);
    EXPECT_EQ(options.unknownSwitch, c.unknown);
    EXPECT_EQ(options.watch && !c.usage ? options.watchSeconds : 0, c.watchSeconds);
  }
}

TEST(CommandLine, AnAccountAsAShortcutsName) {
  EXPECT_EQ(base::FileNameFor(L"张三"), L"张三");
  EXPECT_EQ(base::FileNameFor(L"a\\b/c:d*e?f\"g<h>i|j\tk"), L"a_b_c_d_e_f_g_h_i_j_k");
  EXPECT_EQ(base::FileNameFor(L"a."), L"a._");
  EXPECT_EQ(base::FileNameFor(L""), L"_");
  EXPECT_EQ(base::FileNameFor(L"con"), L"_con");
  EXPECT_EQ(base::FileNameFor(L"Com1.x"), L"_Com1.x");
  EXPECT_EQ(base::FileNameFor(L"com0"), L"com0");
  EXPECT_EQ(base::FileNameFor(L"console"), L"console");
  EXPECT_EQ(base::FileNameFor(L"n p"), L"n p");
}

}  // namespace
