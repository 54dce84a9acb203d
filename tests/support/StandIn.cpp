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

std::vector<std::string> StandInRequestLines(bool notes) {
  std::vector<std::string> lines;
  const char* log = std::getenv("STANDIN_LOG");
  if (!log || !*log) return lines;
  FILE* file = std::fopen(WindowsPath(log).c_str(), "rb");
  if (!file) return lines;
  std::string line;
  for (int c; (c = std::fgetc(file)) != EOF;) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.starts_with("# ") == notes) lines.push_back(std::move(line));
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  std::fclose(file);
  return lines;
}

long StandInLinesHolding(const std::string& text, bool notes) {
  long count = 0;
  for (const std::string& line : StandInRequestLines(notes)) count += line.find(text) != line.npos;
  return count;
}

std::vector<std::wstring> ProfileFilesHolding(const std::string& text, std::wstring folder) {
  std::vector<std::wstring> found;
  if (folder.empty() && !_wgetenv(L"USERPROFILE")) return found;
  if (folder.empty()) folder = _wgetenv(L"USERPROFILE");
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::wstring name = entry.cFileName, path = folder + L"\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // Links (under Wine, Templates and the like to the Unix home folder) are not followed.
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT || name == L"." || name == L"..") {
        continue;
      }
      for (std::wstring& inner : ProfileFilesHolding(text, path)) found.push_back(inner);
      continue;
    }
    std::string content(name.begin(), name.end());  // ASCII text is all that is looked for
    FILE* file = _wfopen(path.c_str(), L"rb");
    for (int c; file && (c = std::fgetc(file)) != EOF;) content += static_cast<char>(c);
    if (file) std::fclose(file);
    if (content.find(text) != std::string::npos) found.push_back(path);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

}  // namespace testsupport
