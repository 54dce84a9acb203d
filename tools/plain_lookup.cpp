// The plain design's synchronous lookup, a baseline of the query benchmark (scripts/bench.sh):
// the main window's plain design with none of Pellucor's checks. An account box, a read-out box
// and "查询"; a query downloads the status address into a fixed file synchronously on the
// user-interface thread and decides by the file's length. Leaving the account box queries too,
// as in the design. COM is set up for the thread at start, and the download service is
// imported, as a runtime that declares it would have it: the first query pays no loading.

#include <windows.h>
#include <urlmon.h>

#include <string>

#include "QueryWindow.h"

namespace {

constexpr char kAddressPrefix[] = "http://amos.alicdn.com/online.ww?v=2&uid=";
char scratch[MAX_PATH] = {};  // the fixed file of every download

// The design's query: the address as typed, the download, the file's length.
void Command1_Click(const querywindow::Boxes& boxes) {
  const std::string address = kAddressPrefix + querywindow::AccountInAnsi(boxes) + "&s=1";
  URLDownloadToFileA(nullptr, address.c_str(), scratch, 0, nullptr);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(scratch, GetFileExInfoStandard, &data);
  SetWindowTextW(boxes.readout, data.nFileSizeLow == 4944 ? L"在线" : L"离线");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  lstrcpynA(scratch, (std::string(folder) + "plain_lookup.tmp").c_str(), MAX_PATH);
  const int code = querywindow::Run(instance, show, L"Plain lookup", Command1_Click);
  DeleteFileA(scratch);
  CoUninitialize();
  return code;
}
