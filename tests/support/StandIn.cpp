#include "support/StandIn.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport {

bool StandInRuns() {
  const char* log = std::getenv("STANDIN_LOG");
  return log && *log && std::getenv("http_proxy");
}

std::vector<std::string> StandInRequestLines() {
  std::vector<std::string> lines;
  const char* log = std::getenv("STANDIN_LOG");
  if (!log || !*log) return lines;
  // A Unix path reaches Wine's drive Z:.
  std::string path = log;
  if (path.front() == '/') {
    path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return lines;
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, file)) {
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    lines.push_back(line);
  }
  std::fclose(file);
  return lines;
}

}  // namespace testsupport
