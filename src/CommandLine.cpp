#include "CommandLine.h"

#include <cwchar>

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// The seconds of "/w:SECONDS" up to `end`, or 0 when they are no number the watch takes.
unsigned WatchSeconds(const wchar_t* digits, const wchar_t* end) {
  unsigned seconds = 0;
  for (; digits < end; ++digits) {
    if (*digits < L'0' || *digits > L'9' || seconds > StartOptions::kMostWatchSeconds) return 0;
    seconds = seconds * 10 + static_cast<unsigned>(*digits - L'0');
  }
  return seconds >= StartOptions::kFewestWatchSeconds && seconds <= StartOptions::kMostWatchSeconds
             ? seconds
             : 0;
}

}  // namespace

const wchar_t kUsage[] =
    L"用法：Pellucor.exe [/w[:秒数]] [账号]\n\n"
    L"账号\t启动后查询这个账号\n"
    L"/w\t在线时提醒：每隔一段时间查询一次，账号上线时提醒\n"
    L"/w:秒数\t查询的间隔，至少 10 秒，默认 60 秒\n"
    L"/?\t显示本说明";

StartOptions ParseCommandLine(const wchar_t* line) {
  StartOptions options;
  // The program's name: in quotes, or up to the first blank.
  const wchar_t* at = line;
  if (*at == L'"') {
    while (*++at && *at != L'"') {
    }
    if (*at) ++at;
  }
  while (*at && !IsBlank(*at)) ++at;
  for (;;) {
    while (IsBlank(*at)) ++at;
    if (*at != L'/') break;
    const wchar_t* name = ++at;
    while (*at && !IsBlank(*at)) ++at;
    if (at - name == 1 && *name == L'?') {
      options.showUsage = true;
    } else if ((*name == L'w' || *name == L'W') &&
               (at - name == 1 ||
                (name[1] == L':' && (options.watchSeconds = WatchSeconds(name + 2, at)) != 0))) {
      options.watch = true;
    } else {
      options.showUsage = options.unknownSwitch = true;
    }
  }
  // The account: the rest, without the blanks and the quotes around it.
  const wchar_t* end = at + wcslen(at);
  while (end > at && IsBlank(end[-1])) --end;
  if (end - at >= 2 && *at == L'"' && end[-1] == L'"') ++at, --end;
  if (end > at) options.account.emplace(at, end);
  return options;
}
