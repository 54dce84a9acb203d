#include "base/Shortcut.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>

#include "base/SystemDll.h"

namespace base {
namespace {

// {00021401-0000-0000-C000-000000000046}
constexpr CLSID kShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace

void DesktopFolder(wchar_t (&folder)[MAX_PATH]) {
  if (const auto folderPath = SystemFunction<decltype(&SHGetFolderPathW)>(
          LoadSystemDll(L"shell32.dll"), "SHGetFolderPathW")) {
    folderPath(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, folder);
  }
}

std::wstring FileNameFor(std::wstring_view text) {
  std::wstring name(text);
  for (wchar_t& c : name) {
    if (c < L' ' || wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  }
  if (name.empty() || name.back() == L'.' || name.back() == L' ') name += L'_';
  // A device's name is no file's, whatever the extension: CON, PRN, AUX, NUL, COM1 to LPT9.
  const size_t stem = std::min(name.find(L'.'), name.size());
  wchar_t upper[4] = {};
  for (size_t i = 0; i < 3 && i < stem; ++i) {
    const wchar_t c = name[i];
    upper[i] = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  }
  // No name holds '|' by now, so only whole device names match.
  if ((stem == 3 && wcsstr(L"CON|PRN|AUX|NUL", upper)) ||
      (stem == 4 && wcsstr(L"COM|LPT", upper) && name[3] >= L'1' && name[3] <= L'9')) {
    name.insert(name.begin(), L'_');
  }
  return name;
}

HRESULT SaveShortcut(const wchar_t* path, const wchar_t* target, const wchar_t* arguments) {
  const HMODULE ole = LoadSystemDll(L"ole32.dll");
  const auto initialize = SystemFunction<decltype(&CoInitializeEx)>(ole, "CoInitializeEx");
  const auto create = SystemFunction<decltype(&CoCreateInstance)>(ole, "CoCreateInstance");
  if (!initialize || !create) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  HRESULT result = initialize(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(result) && result != RPC_E_CHANGED_MODE) return result;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  result = create(kShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                  reinterpret_cast<void**>(&link));
  if (SUCCEEDED(result)) result = link->SetPath(target);
  if (SUCCEEDED(result)) result = link->SetArguments(arguments);
  if (SUCCEEDED(result)) result = link->SetIconLocation(target, 0);
  if (SUCCEEDED(result)) {
    result = link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file));
  }
  if (SUCCEEDED(result)) result = file->Save(path, TRUE);
  if (file) file->Release();
  if (link) link->Release();
  return result;
}

}  // namespace base
