#include <windows.h>

#include "CommandLine.h"
#include "Form1.h"
#include "base/SystemDll.h"

// The program has no start-up procedure of its own: the forms layer shows the start-up form
// and runs until it is unloaded. The command line only gives it an account to begin with.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  base::RestrictDllSearch();
  const StartOptions options = ParseCommandLine(GetCommandLineW());
  if (options.showUsage) {
    MessageBoxW(nullptr, kUsage, L"Pellucor", MB_OK | MB_ICONINFORMATION);
    return options.unknownSwitch ? 1 : 0;
  }
  Form1 form1(options);
  return forms::Run(form1);
}
