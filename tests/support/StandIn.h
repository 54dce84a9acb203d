#pragma once

#include <string>
#include <vector>

// The stand-in status server (tests/standin/status_server.py --run): it plays the provider's
// status server as the HTTP proxy and logs every request line to the file named by STANDIN_LOG.
namespace testsupport {

// Whether the tests run with the stand-in.
bool StandInRuns();

// The request lines the stand-in has seen, oldest first; or, with `notes`, its notes ("# ...").
std::vector<std::string> StandInRequestLines(bool notes = false);

// How many of them hold the text.
long StandInLinesHolding(const std::string& text, bool notes = false);

// The files under the user's profile folder (or `folder`) whose name or content holds `text`.
std::vector<std::wstring> ProfileFilesHolding(const std::string& text, std::wstring folder = L"");

}  // namespace testsupport
