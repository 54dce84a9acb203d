#pragma once

#include <optional>
#include <string>

// What Pellucor is told as it starts: Pellucor.exe [/w[:SECONDS]] [ACCOUNT].
struct StartOptions {
  static constexpr unsigned kDefaultWatchSeconds = 60;
  static constexpr unsigned kFewestWatchSeconds = 10;
  static constexpr unsigned kMostWatchSeconds = 24 * 60 * 60;

  // The account in the box, asked about once the window is up; the design's when none is given.
  std::optional<std::wstring> account;
  // The watch is on from the start (/w), asking every watchSeconds (/w:SECONDS).
  bool watch = false;
  unsigned watchSeconds = kDefaultWatchSeconds;
  // /?, or a switch it does not know: the usage is shown and nothing starts.
  bool showUsage = false;
  bool unknownSwitch = false;
};

// The options in a command line as Windows gives it (GetCommandLineW): the program's name, then
// the switches, then the account, which is the rest of the line without the blanks and the
// quotes around it.
StartOptions ParseCommandLine(const wchar_t* commandLine);

// The text of the usage box.
extern const wchar_t kUsage[];
