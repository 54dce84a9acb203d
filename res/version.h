// The program's version, in one place for the resource script and the code.
#pragma once

#define PELLUCOR_VERSION_MAJOR 1
#define PELLUCOR_VERSION_MINOR 0
#define PELLUCOR_VERSION_BINARY 1, 0, 0, 0
#define PELLUCOR_VERSION_TEXT "1.00"
#define PELLUCOR_COMPANY "Tolvarin Studio"
#define PELLUCOR_PRODUCT "Pellucor"
#define PELLUCOR_EXE_NAME "Pellucor.exe"
