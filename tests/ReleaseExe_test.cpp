// The product is a 32-bit program that this host may not be able to run, so it is checked as a
// file: headers, imports and resources read from its bytes, the version block through the API.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/WinePath.h"
#include "version.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A T at `at` in `bytes`; throws on a read past the end, so a truncated file fails the test.
template <class T>
T Read(const Bytes& bytes, size_t at) {
  if (at > bytes.size() || sizeof(T) > bytes.size() - at)
    throw std::out_of_range("read past the end at " + std::to_string(at));
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

// A PE32 image as it lies on disk.
class PeFile {
 public:
  struct Resource {
    int type, id;  // -1 for a string name
    WORD language;
    Bytes data;
  };

  explicit PeFile(Bytes bytes) : bytes_(std::move(bytes)) {}
  size_t size() const { return bytes_.size(); }
  IMAGE_NT_HEADERS32 Nt() const { return Read<IMAGE_NT_HEADERS32>(bytes_, NtAt()); }
  std::vector<IMAGE_SECTION_HEADER> Sections() const {
    const size_t table = NtAt() + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                         Nt().FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections(Nt().FileHeader.NumberOfSections);
    for (size_t i = 0; i < sections.size(); ++i)
      sections[i] = Read<IMAGE_SECTION_HEADER>(bytes_, table + i * sizeof sections[i]);
    return sections;
  }
  // Each imported DLL with its functions ("#n" for one imported by ordinal).
  std::vector<std::pair<std::string, std::vector<std::string>>> Imports() const {
    std::vector<std::pair<std::string, std::vector<std::string>>> dlls;
    for (size_t at = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);;
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      const auto dll = Read<IMAGE_IMPORT_DESCRIPTOR>(bytes_, at);
      if (dll.Name == 0) return dlls;
      dlls.emplace_back(String(Offset(dll.Name)), std::vector<std::string>());
      size_t thunk = Offset(dll.OriginalFirstThunk ? dll.OriginalFirstThunk : dll.FirstThunk);
      for (DWORD e; (e = Read<DWORD>(bytes_, thunk)) != 0; thunk += sizeof e) {
        dlls.back().second.push_back(IMAGE_SNAP_BY_ORDINAL32(e)
                                         ? "#" + std::to_string(IMAGE_ORDINAL32(e))
                                         : String(Offset(e) + sizeof(WORD)));  // past the hint
      }
    }
  }
  // The resources of one type; the directory has three levels: type, name, language.
  std::vector<Resource> Resources(int type) const {
    const size_t root = Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE);
    auto entries = [&](size_t at) {
      const auto dir = Read<IMAGE_RESOURCE_DIRECTORY>(bytes_, at);
      std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> list(dir.NumberOfNamedEntries +
                                                       dir.NumberOfIdEntries);
      for (size_t i = 0; i < list.size(); ++i)
        list[i] =
            Read<IMAGE_RESOURCE_DIRECTORY_ENTRY>(bytes_, at + sizeof dir + i * sizeof list[i]);
      return list;
    };
    auto id = [](const IMAGE_RESOURCE_DIRECTORY_ENTRY& e) { return e.NameIsString ? -1 : e.Id; };
    std::vector<Resource> found;
    for (const auto& t : entries(root)) {
      if (id(t) != type || !t.DataIsDirectory) continue;
      for (const auto& name : entries(root + t.OffsetToDirectory)) {
        for (const auto& language : entries(root + name.OffsetToDirectory)) {
          const auto leaf = Read<IMAGE_RESOURCE_DATA_ENTRY>(bytes_, root + language.OffsetToData);
          const size_t at = Offset(leaf.OffsetToData);
          Read<char>(bytes_, at + leaf.Size - 1);  // all of it is in the file
          found.push_back({type, id(name), language.Id,
                           Bytes(bytes_.begin() + at, bytes_.begin() + at + leaf.Size)});
        }
      }
    }
    return found;
  }

 private:
  size_t NtAt() const { return Read<IMAGE_DOS_HEADER>(bytes_, 0).e_lfanew; }
  size_t Directory(int entry) const {
    return Offset(Nt().OptionalHeader.DataDirectory[entry].VirtualAddress);
  }
  size_t Offset(DWORD rva) const {
    for (const IMAGE_SECTION_HEADER& s : Sections()) {
      if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData)
        return s.PointerToRawData + (rva - s.VirtualAddress);
    }
    throw std::out_of_range("address outside every section: " + std::to_string(rva));
  }
  std::string String(size_t at) const {
    std::string text;
    for (char c; (c = Read<char>(bytes_, at + text.size())) != 0;) text += c;
    return text;
  }
  Bytes bytes_;
};

// An RT_GROUP_ICON entry: an icon file's directory entry with a resource id for the offset.
#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

constexpr WORD kChineseSimplified = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

class ReleaseExe : public testing::Test {
 protected:
  void SetUp() override {
    // scripts/test.sh names the file; ctest alone falls back to the release build's.
    const wchar_t* named = _wgetenv(L"PELLUCOR_RELEASE_EXE");
    if (!named || !*named) named = _wgetenv(L"PELLUCOR_DEFAULT_RELEASE_EXE");
    if (!named || !*named) GTEST_SKIP() << "PELLUCOR_RELEASE_EXE is not set";
    path_ = testsupport::WindowsPath(named);
    std::ifstream file(std::filesystem::path(path_), std::ios::binary);
    ASSERT_TRUE(file) << "cannot open " << std::filesystem::path(path_).string();
    pe_.emplace(Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    ASSERT_EQ(pe_->Nt().Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE)) << "not a PE file";
    ASSERT_EQ(pe_->Nt().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC) << "not PE32";
  }
  std::wstring path_;
  std::optional<PeFile> pe_;
};

TEST_F(ReleaseExe, IsAStripped32BitGuiProgramForXpSp3) {
  EXPECT_LE(pe_->size(), 131072u) << "over the program's budget of 128 KiB";
  const IMAGE_NT_HEADERS32 nt = pe_->Nt();
  EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  EXPECT_EQ(nt.OptionalHeader.MajorSubsystemVersion, 5);
  EXPECT_EQ(nt.OptionalHeader.MinorSubsystemVersion, 1);
  EXPECT_EQ(nt.OptionalHeader.DllCharacteristics,
            IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
                IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
  EXPECT_EQ(nt.FileHeader.NumberOfSymbols, 0u) << "symbols left in";
  for (const IMAGE_SECTION_HEADER& s : pe_->Sections()) {
    const std::string name(reinterpret_cast<const char*>(s.Name), 8);
    EXPECT_FALSE(name.starts_with(".debug") || name.starts_with("/")) << "section " << name;
  }
}

// Only DLLs of Windows itself, nothing that would have to ship beside the program; and none of
// the functions below, which XP lacks: one missing import and the program does not start at all.
// The lookup loads wininet when it first runs, a screen reader's first question
// oleacc, and the About window's first link shell32: imported, they would bring a dozen more DLLs
// into every start.
TEST_F(ReleaseExe, ImportsOnlyWhatWindowsXpHas) {
  const std::string loadedOnUse = " wininet.dll ole32.dll oleacc.dll oleaut32.dll shell32.dll ";
  const std::string windowsDlls =
      " kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll shlwapi.dll ole32.dll"
      " oleaut32.dll urlmon.dll wininet.dll comctl32.dll comdlg32.dll msvcrt.dll ws2_32.dll"
      " version.dll uxtheme.dll imm32.dll oleacc.dll ";
  const std::string newerThanXp =
      " GetTickCount64 InitializeConditionVariable SleepConditionVariableCS"
      " SleepConditionVariableSRW WakeConditionVariable WakeAllConditionVariable InitializeSRWLock"
      " AcquireSRWLockExclusive AcquireSRWLockShared InitOnceExecuteOnce InitOnceBeginInitialize"
      " FlsAlloc FlsGetValue FlsSetValue GetSystemTimePreciseAsFileTime CreateSymbolicLinkW"
      " GetFinalPathNameByHandleW SetProcessDPIAware GetDpiForWindow GetDpiForSystem"
      " GetDpiForMonitor SetProcessDpiAwareness SetProcessDpiAwarenessContext"
      " SetThreadDpiAwarenessContext AdjustWindowRectExForDpi GetSystemMetricsForDpi"
      " EnableNonClientDpiScaling ";
  auto listed = [](const std::string& list, const std::string& name) {
    return list.find(" " + name + " ") != std::string::npos;
  };
  std::string dlls;
  for (const auto& [dll, functions] : pe_->Imports()) {
    dlls += " " + dll;
    std::string lower = dll;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!listed(windowsDlls, lower)) ADD_FAILURE() << dll << " is not a DLL of Windows";
    if (listed(loadedOnUse, lower)) ADD_FAILURE() << dll << " is for the lookup to load";
    for (const std::string& f : functions) {
      if (listed(newerThanXp, f)) ADD_FAILURE() << dll << "!" << f << " is not in Windows XP";
    }
  }
  if (HasFailure()) std::printf("imported DLLs:%s\n", dlls.c_str());
}

TEST_F(ReleaseExe, VersionBlock) {
  const auto blocks = pe_->Resources(16 /* RT_VERSION */);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].id, 1);
  EXPECT_EQ(blocks[0].language, kChineseSimplified);

  std::vector<BYTE> info(GetFileVersionInfoSizeW(path_.c_str(), nullptr));
  ASSERT_FALSE(info.empty()) << "GetFileVersionInfoSizeW error " << GetLastError();
  ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  UINT size = 0;
  auto query = [&](const std::wstring& key) -> const void* {
    void* value = nullptr;
    return VerQueryValueW(info.data(), key.c_str(), &value, &size) ? value : nullptr;
  };
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\"));
  ASSERT_TRUE(fixed && size == sizeof *fixed && fixed->dwSignature == 0xFEEF04BD);
  constexpr DWORD kVersion[] = {PELLUCOR_VERSION_BINARY};  // major, minor, patch, build
  const DWORD high = kVersion[0] << 16 | kVersion[1], low = kVersion[2] << 16 | kVersion[3];
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileFlags, 0u);

  const auto* translation = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation"));
  ASSERT_TRUE(translation && size == 2 * sizeof(WORD)) << "one translation entry";
  EXPECT_EQ(translation[0], kChineseSimplified);
  EXPECT_EQ(translation[1], 1200) << "UTF-16";

  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"CompanyName", L"Tolvarin Studio"},
      {L"ProductName", L"Pellucor"},
      {L"FileVersion", L"" PELLUCOR_VERSION_TEXT},
      {L"ProductVersion", L"" PELLUCOR_VERSION_TEXT},
      {L"InternalName", L"Pellucor"},
      {L"OriginalFilename", L"Pellucor.exe"}};
  for (const auto& [key, expected] : strings) {
    const auto* got =
        static_cast<const wchar_t*>(query(L"\\StringFileInfo\\080404B0\\" + std::wstring(key)));
    EXPECT_EQ(std::wstring(got ? got : L"(missing)"), expected) << "string " << key;
  }
}

TEST_F(ReleaseExe, IconIsOne16x16ImageIn256Colours) {
  const auto groups = pe_->Resources(14 /* RT_GROUP_ICON */);
  const auto icons = pe_->Resources(3 /* RT_ICON */);
  const auto withId = [](const auto& resources, int id) {
    return std::find_if(resources.begin(), resources.end(), [&](auto& r) { return r.id == id; });
  };
  ASSERT_EQ(groups.size(), 2u) << "the program icon and the About picture";
  ASSERT_NE(withId(groups, 1), groups.end());
  ASSERT_NE(withId(icons, 30001), icons.end());

  // The About picture, group 2: a 32 x 32 and a 16 x 16 image of 24 bits per pixel.
  const auto about = withId(groups, 2);
  ASSERT_NE(about, groups.end());
  ASSERT_EQ(Read<WORD>(about->data, 4), 2);
  for (int i = 0; i < 2; ++i) {
    const auto e = Read<GroupIconEntry>(about->data, 3 * sizeof(WORD) + i * sizeof(GroupIconEntry));
    EXPECT_EQ(e.width, i == 0 ? 32 : 16);
    EXPECT_EQ(e.bitCount, 24);
    const auto image = withId(icons, e.id);
    ASSERT_NE(image, icons.end());
    EXPECT_EQ(Read<BITMAPINFOHEADER>(image->data, 0).biBitCount, 24);
  }

  const Bytes& group = withId(groups, 1)->data;
  EXPECT_EQ(Read<WORD>(group, 2), 1) << "an icon, not a cursor";
  ASSERT_EQ(Read<WORD>(group, 4), 1) << "images in the group";
  ASSERT_EQ(group.size(), 3 * sizeof(WORD) + sizeof(GroupIconEntry));
  const auto entry = Read<GroupIconEntry>(group, 3 * sizeof(WORD));
  EXPECT_EQ(entry.id, 30001);
  EXPECT_EQ(entry.width, 16);
  EXPECT_EQ(entry.height, 16);
  EXPECT_EQ(entry.colours, 0) << "0 stands for 256 colours";
  EXPECT_EQ(entry.bitCount, 8);
  EXPECT_EQ(entry.bytes, withId(icons, 30001)->data.size());

  // A DIB of twice the height: the colours, then the transparency mask.
  const Bytes& image = withId(icons, 30001)->data;
  const auto dib = Read<BITMAPINFOHEADER>(image, 0);
  EXPECT_EQ(dib.biSize, sizeof dib);
  EXPECT_EQ(dib.biWidth, 16);
  EXPECT_EQ(dib.biHeight, 32);
  EXPECT_EQ(dib.biBitCount, 8);
  EXPECT_EQ(dib.biCompression, static_cast<DWORD>(BI_RGB));
  const size_t maskAt = sizeof dib + 4 * (dib.biClrUsed ? dib.biClrUsed : 256) + 16 * 16;
  ASSERT_EQ(image.size(), maskAt + 16 * 4) << "mask rows are 32 bits wide";
  int transparent = 0;
  for (size_t row = maskAt; row < image.size(); row += 4)
    transparent += std::popcount(static_cast<unsigned>(image[row] << 8 | image[row + 1]));
  EXPECT_TRUE(transparent > 0 && transparent < 16 * 16) << transparent << " transparent pixels";
  HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data()), image.size(), TRUE,
                                        0x00030000, 16, 16, LR_DEFAULTCOLOR);
  EXPECT_NE(icon, nullptr) << "Windows makes no icon of it";
  if (icon) DestroyIcon(icon);
}

TEST_F(ReleaseExe, ManifestAsksForDpiAwarenessAndTheCallersRights) {
  const auto manifests = pe_->Resources(24 /* RT_MANIFEST */);
  ASSERT_EQ(manifests.size(), 1u);
  EXPECT_EQ(manifests[0].id, 1) << "the manifest of a process";
  const std::string xml(manifests[0].data.begin(), manifests[0].data.end());
  // The element around the first `text`, from its '<' to `end`.
  auto element = [&](const std::string& text, const std::string& end) {
    const size_t at = xml.find(text), close = xml.find(end, at);
    return close == std::string::npos ? ""
                                      : xml.substr(xml.rfind('<', at), close - xml.rfind('<', at));
  };
  // No common controls 6: the program uses no common control.
  EXPECT_EQ(xml.find("<dependency"), std::string::npos) << xml;
  EXPECT_TRUE(element("<dpiAware ", "</dpiAware>").ends_with(">true")) << xml;
  // Per monitor (v2) where Windows knows it (10, version 1703 and later), else system-wide.
  EXPECT_TRUE(element("<dpiAwareness", "</dpiAwareness>").ends_with(">PerMonitorV2, System"))
      << xml;
  // Run with the rights of whoever starts it: no file or registry virtualisation, and no
  // installer detection asking for an administrator.
  const std::string level = element("<requestedExecutionLevel", "/>");
  EXPECT_NE(level.find("level=\"asInvoker\""), std::string::npos) << xml;
  EXPECT_NE(level.find("uiAccess=\"false\""), std::string::npos) << xml;
  EXPECT_NE(element("<trustInfo", "</trustInfo>").find(level), std::string::npos)
      << "inside trustInfo: " << xml;

  // The loader reads the same manifest before the program's first instruction.
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = path_.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE handle = CreateActCtxW(&context);
  EXPECT_NE(handle, INVALID_HANDLE_VALUE) << "CreateActCtxW error " << GetLastError();
  if (handle != INVALID_HANDLE_VALUE) ReleaseActCtx(handle);
}

}  // namespace
