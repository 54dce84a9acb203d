#include "support/StandIn.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include <windows.h>

#include "support/WinePath.h"

namespace testsupport {

bool StandInRuns() {
  const char* log = std::getenv("STANDIN_LOG");
  return log && *log && std::getenv("http_proxy");
}

std::vector<std::string> StandInRequestLines() {
  std::vector<std::string> lines;
  const char* log = std::getenv("STANDIN_LOG");
  if (!log || !*log) return lines;
  FILE* file = std::fopen(WindowsPath(log).c_str(), "rb");
  if (!file) return lines;
  std::string line;
  for (int c; (c = std::fgetc(file)) != EOF;) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  std::fclose(file);
  return lines;
}

std::set<std::wstring> TempFiles() {
  wchar_t folder[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, folder);
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(folder) + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace testsupport
