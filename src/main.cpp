#include <windows.h>

#include "Form1.h"
#include "base/SystemDll.h"

// The program has no start-up procedure of its own: the forms layer shows the start-up form
// and runs until it is unloaded.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  base::RestrictDllSearch();
  Form1 form1;
  return forms::Run(form1);
}
