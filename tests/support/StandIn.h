#pragma once

#include <set>
#include <string>
#include <vector>

// The stand-in status server (tests/standin/status_server.py --run): it plays the provider's
// status server as the HTTP proxy and logs every request line to the file named by STANDIN_LOG.
namespace testsupport {

// Whether the tests run with the stand-in.
bool StandInRuns();

// The request lines the stand-in has seen, oldest first.
std::vector<std::string> StandInRequestLines();

// The names of the files in the user's temp folder.
std::set<std::wstring> TempFiles();

}  // namespace testsupport
