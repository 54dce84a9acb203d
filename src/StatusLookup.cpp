#include "StatusLookup.h"

#include <windows.h>
#include <urlmon.h>

#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "base/Ansi.h"
#include "base/NumberText.h"
#include "base/RuntimeError.h"
#include "base/ScopedWin.h"
#include "base/SystemDll.h"

namespace status {
namespace {

constexpr char kAddressPrefix[] = "http://amos.alicdn.com/online.ww?v=2&uid=";
constexpr char kAddressSuffix[] = "&s=1";
constexpr wchar_t kTempFilePrefix[] = L"pel";
constexpr DWORD kHttpOk = 200;

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::wstring Hex32(HRESULT value) {
  return L"0x" + base::HexText(static_cast<std::uint32_t>(value), 8);
}

[[noreturn]] void FailLookup(const std::wstring& why) {
  throw base::RuntimeError(kLookupFailed, why);
}

// Holds a critical section from construction to destruction.
class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION& section_;
};

// What a lookup needs from ole32 and urlmon. They are loaded by the lookups' worker thread, once
// the program is idle or at the first lookup, rather than imported: the two bring a dozen more
// DLLs (wininet, ws2_32, oleaut32, ...) into the process, and start-up has no use for them.
// Nothing unloads them: a download given up on may still be running inside them.
struct DownloadService {
  decltype(&CoInitializeEx) coInitializeEx;
  decltype(&CoUninitialize) coUninitialize;
  decltype(&URLDownloadToFileA) urlDownloadToFileA;
};

template <typename Function>
Function LoadFunction(const wchar_t* dll, const char* name) {
  HMODULE module = base::LoadSystemDll(dll);  // a module already loaded is only counted again
  if (!module) {
    const DWORD error = GetLastError();
    FailLookup(L"无法加载 " + std::wstring(dll) + L"（错误 " + base::DecimalText(error) + L"）");
  }
  FARPROC function = GetProcAddress(module, name);
  if (!function) {
    FailLookup(std::wstring(dll) + L" 中没有 " + std::wstring(name, name + strlen(name)));
  }
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

DownloadService LoadDownloadService() {
  using Service = DownloadService;
  return {LoadFunction<decltype(Service::coInitializeEx)>(L"ole32.dll", "CoInitializeEx"),
          LoadFunction<decltype(Service::coUninitialize)>(L"ole32.dll", "CoUninitialize"),
          LoadFunction<decltype(Service::urlDownloadToFileA)>(L"urlmon.dll", "URLDownloadToFileA")};
}

// The answer files of the downloads that have not ended, so that none outlives the program.
// A download given up on may still be running when the program ends, and the download service
// writes its file from the download's thread at the very end (by copying it from the cache). At
// the end of the program each file left is opened for deletion on close, and the handle is kept
// until the process has gone: the system then deletes the file, and until then the service
// cannot write it (it does not share deletion). No thread is suspended or stopped for this.
class AnswerFiles {
 public:
  // One file, linked into the list while its download may still write it.
  struct Entry {
    std::wstring path;
    Entry* previous = nullptr;
    Entry* next = nullptr;
  };

  // Never destroyed: downloads may still use it while the program's statics are destroyed.
  static AnswerFiles& Instance() {
    static AnswerFiles* files = new AnswerFiles;
    return *files;
  }

  // Names a new file in the user's temp folder for the entry and lists it. The name holds the
  // process id and a count of the files named, a form GetTempFileName never gives, so no other
  // program's file has it and it need not be made ahead: the download makes the file. (A file
  // of an earlier process with the same id that ended before deleting it is overwritten.)
  void Create(Entry& entry) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    Lock lock(section_);
    if (ending_) FailLookup(L"程序正在结束");
    if (n == 0 || n > MAX_PATH) {
      FailLookup(L"无法取得临时文件夹（错误 " + base::DecimalText(GetLastError()) + L"）");
    }
    entry.path = std::wstring(folder, n) + kTempFilePrefix + base::HexText(GetCurrentProcessId()) +
                 L"-" + base::HexText(++named_) + L".tmp";
    entry.next = first_;
    if (first_) first_->previous = &entry;
    first_ = &entry;
  }

  void Delete(Entry& entry) noexcept {
    Lock lock(section_);
    DeleteFileW(entry.path.c_str());
    (entry.previous ? entry.previous->next : first_) = entry.next;
    if (entry.next) entry.next->previous = entry.previous;
  }

  // At the end of the program: no file of a download still running outlives the process.
  void Seal() noexcept {
    constexpr DWORD kCopyingMs = 2000;  // the service may be copying a large answer right now
    Lock lock(section_);
    ending_ = true;
    for (const Entry* entry = first_; entry; entry = entry->next) {
      const DWORD start = GetTickCount();
      for (;;) {
        // Kept open on purpose: the system closes it as the process ends, and deletes the file.
        HANDLE file = CreateFileW(
            entry->path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
            GetTickCount() - start > kCopyingMs) {
          break;
        }
        Sleep(10);
      }
    }
  }

 private:
  AnswerFiles() { InitializeCriticalSection(&section_); }

  CRITICAL_SECTION section_;
  Entry* first_ = nullptr;
  std::uint32_t named_ = 0;
  bool ending_ = false;
};

// Runs as the program ends, when its statics are destroyed (after the start-up form has gone,
// or when the session ends), while downloads given up on may still run.
struct SealAnswerFilesAtEnd {
  ~SealAnswerFilesAtEnd() { AnswerFiles::Instance().Seal(); }
} seal_answer_files_at_end;

// A new file in the user's temp folder, named but not made, deleted when its owner goes.
class TempFile {
 public:
  TempFile() { AnswerFiles::Instance().Create(file_); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { AnswerFiles::Instance().Delete(file_); }

  // The path for an ANSI call: the long one when the code page carries it, else the folder's
  // short one with the file's name (which is ASCII).
  std::string AnsiPath() const {
    std::optional<std::string> ansi = base::ToAnsiExact(file_.path);
    if (!ansi) {
      const size_t name = file_.path.rfind(L'\\') + 1;
      wchar_t short_folder[MAX_PATH];
      DWORD n = GetShortPathNameW(file_.path.substr(0, name).c_str(), short_folder, MAX_PATH);
      if (n > 0 && n < MAX_PATH) ansi = base::ToAnsiExact(short_folder + file_.path.substr(name));
    }
    if (!ansi) FailLookup(L"临时文件夹的路径无法用当前代码页表示");
    return *ansi;
  }

  // Whether the folder it is to be made in exists.
  bool FolderExists() const {
    const DWORD attributes =
        GetFileAttributesW(file_.path.substr(0, file_.path.rfind(L'\\')).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The length in bytes; run-time error 53 when the file is gone.
  std::uint64_t Length() const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file_.path.c_str(), GetFileExInfoStandard, &data)) {
      throw base::RuntimeError(base::RuntimeError::kFileNotFound);
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  }

 private:
  AnswerFiles::Entry file_;
};

// COM for the current thread, from construction to destruction.
class ComApartment {
 public:
  explicit ComApartment(const DownloadService& service) : uninitialize_(service.coUninitialize) {
    HRESULT hr = service.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) FailLookup(L"无法初始化 COM（错误 " + Hex32(hr) + L"）");
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() { uninitialize_(); }

 private:
  decltype(&CoUninitialize) uninitialize_;
};

// Watches one download for the download service: asks for a fresh answer that stays out of
// the cache, and notes the HTTP status and how many of the announced bytes arrived. The
// service calls it on the thread that started the download.
class DownloadWatch final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  // A watch that does not send stops the download just before its request would go out.
  explicit DownloadWatch(bool sends = true) : sends_(sends) {}

  // Fails the lookup unless the download ended with a whole answer of status 200.
  void Check(HRESULT download_result) const {
    if (FAILED(download_result) || FAILED(stop_result_)) {
      HRESULT hr = FAILED(download_result) ? download_result : stop_result_;
      FailLookup(L"无法从状态服务器取得应答（错误 " + Hex32(hr) + L"）");
    }
    if (status_code_ == 0) FailLookup(L"状态服务器没有应答");
    if (status_code_ != kHttpOk)
      FailLookup(L"状态服务器返回 HTTP " + base::DecimalText(status_code_));
    // Nothing is announced for a compressed answer; its arrival is checked by the service.
    if (announced_ != 0 && received_ < announced_) {
      FailLookup(L"状态服务器的应答不完整：收到 " + base::DecimalText(received_) + L" 字节，应为 " +
                 base::DecimalText(announced_) + L" 字节");
    }
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IBindStatusCallback)) {
      *object = static_cast<IBindStatusCallback*>(this);
    } else if (iid == __uuidof(IHttpNegotiate)) {
      *object = static_cast<IHttpNegotiate*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IBindStatusCallback
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progress_max, ULONG status,
                                       LPCWSTR) noexcept override {
    if (status == BINDSTATUS_BEGINDOWNLOADDATA || status == BINDSTATUS_DOWNLOADINGDATA ||
        status == BINDSTATUS_ENDDOWNLOADDATA) {
      received_ = progress;
      announced_ = progress_max;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) noexcept override {
    stop_result_ = result;
    return S_OK;
  }
  // Never an answer from the cache, and none left in it: the status changes from one minute
  // to the next.
  // https://learn.microsoft.com/en-us/previous-versions/windows/internet-explorer/ie-developer/platform-apis/ms775130(v=vs.85)
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) noexcept override {
    if (!flags || !info) return E_INVALIDARG;
    *flags |= BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
    DWORD size = info->cbSize;
    ZeroMemory(info, size);
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*,
                                            STGMEDIUM*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) noexcept override { return S_OK; }

  // IHttpNegotiate
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                 LPWSTR* extra_headers) noexcept override {
    if (extra_headers) *extra_headers = nullptr;
    return sends_ ? S_OK : E_ABORT;  // E_ABORT cancels the transaction
  }
  // The download service reports a dropped connection as status 0.
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD status_code, LPCWSTR, LPCWSTR,
                                       LPWSTR* extra_headers) noexcept override {
    status_code_ = status_code;
    if (extra_headers) *extra_headers = nullptr;
    return S_OK;
  }

 private:
  ~DownloadWatch() = default;  // only Release deletes

  LONG references_ = 1;
  const bool sends_;
  HRESULT stop_result_ = S_OK;
  DWORD status_code_ = 0;
  ULONG received_ = 0;
  ULONG announced_ = 0;
};

struct ReleaseCom {
  void operator()(IBindStatusCallback* object) const noexcept { object->Release(); }
};

// Downloads the address into the file and returns the length of the answer. COM is the caller's.
std::uint64_t FetchAnswerSize(const DownloadService& service, const std::string& address,
                              const TempFile& file) {
  std::unique_ptr<DownloadWatch, ReleaseCom> watch(new DownloadWatch);
  HRESULT hr =
      service.urlDownloadToFileA(nullptr, address.c_str(), file.AnsiPath().c_str(), 0, watch.get());
  if (FAILED(hr) && !file.FolderExists()) FailLookup(L"临时文件夹不存在，无法保存应答");
  watch->Check(hr);
  return file.Length();
}

// Takes the download service through what the first download of the program does before its
// request goes out (the internet session and its proxy settings, the protocol handler, the
// binding) and stops it there: nothing is sent, no file is made, and the first lookup does not
// pay for any of it. Failures are the first lookup's to meet and report.
void RehearseDownload(const DownloadService& service) noexcept {
  try {
    const TempFile file;
    std::unique_ptr<DownloadWatch, ReleaseCom> watch(new DownloadWatch(/*sends=*/false));
    const std::string address = std::string(kAddressPrefix) + kAddressSuffix;
    service.urlDownloadToFileA(nullptr, address.c_str(), file.AnsiPath().c_str(), 0, watch.get());
  } catch (...) {
  }
}

// One lookup's download, shared by the waiting caller and the worker that runs it: a caller
// that gives up on it lets go first. The caller fills `address` before handing it over; the
// worker alone writes the outcome and then sets `ended`, and the caller reads it only after that.
struct Download {
  std::string address;
  base::KernelHandle ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  bool done = false;
  std::uint64_t answer_size = 0;
  std::optional<base::RuntimeError> failure;
};

// A worker thread, shared by its thread and the pool (Workers). Its fields but `wake` and
// `thread_id` are the pool's, read and written under its lock.
struct Worker {
  base::KernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a lookup is handed over
  DWORD thread_id = 0;
  std::shared_ptr<Download> next;  // handed over and not yet taken
  bool running = false;            // a lookup is on it
  bool given_up = false;           // its caller gave up on the lookup: it ends after the download
  bool rehearses = false;          // it rehearses a download before it takes a lookup
};

DWORD WINAPI RunWorker(void* parameter) noexcept;

// The threads that run the downloads. One worker lives on between lookups, with the download
// service loaded and COM set up, and takes the next lookup. A lookup given up on (at the time
// limit, or on a close request) may leave its worker waiting for a server that never answers:
// that worker ends when its download ends, and the next lookup gets another one. A caller that
// finds no worker waiting (the first lookup, or lookups from several threads at once) starts one.
class Workers {
 public:
  // Never destroyed: workers may still use it while the program's statics are destroyed.
  static Workers& Instance() {
    static Workers* workers = new Workers;
    return *workers;
  }

  // Starts the waiting worker unless there is one. Quietly does nothing on failure: the next
  // lookup tries again, and reports.
  void WarmUp() noexcept {
    try {
      Lock lock(section_);
      if (!waiting_) waiting_ = NewWorker(/*rehearses=*/true);
    } catch (...) {
    }
  }

  // Hands the download over to the waiting worker, or to a new one. Fails the lookup, before
  // anything is sent, when kMostLookupsGivenUp workers are still busy with lookups given up on.
  std::shared_ptr<Worker> Start(std::shared_ptr<Download> download) {
    Lock lock(section_);
    std::shared_ptr<Worker> worker = std::move(waiting_);
    if (!worker) {
      if (given_up_ >= kMostLookupsGivenUp) {
        FailLookup(L"前 " + base::DecimalText(given_up_) +
                   L" 次查询仍在等待状态服务器的应答，请稍后再试");
      }
      worker = NewWorker(/*rehearses=*/false);
    }
    worker->running = true;
    worker->next = std::move(download);
    SetEvent(worker->wake.get());
    return worker;
  }

  // The caller no longer waits for the worker's lookup. A worker still running it must not take
  // the next one: it ends when its download ends.
  void GiveUp(Worker& worker) noexcept {
    Lock lock(section_);
    if (!worker.running || worker.given_up) return;
    worker.given_up = true;
    ++given_up_;
  }

  DWORD WaitingWorkerId() noexcept {
    Lock lock(section_);
    return waiting_ ? waiting_->thread_id : 0;
  }

  int GivenUp() noexcept {
    Lock lock(section_);
    return given_up_;
  }

  // For the worker's thread: waits for its next lookup.
  std::shared_ptr<Download> Next(Worker& worker) noexcept {
    for (;;) {
      WaitForSingleObject(worker.wake.get(), INFINITE);
      Lock lock(section_);
      if (worker.next) return std::move(worker.next);
    }
  }

  // For the worker's thread, when its lookup's outcome is known: whether it stays for the next
  // lookup (its lookup was not given up on, it can work, and no other worker waits) or ends.
  bool Ended(const std::shared_ptr<Worker>& worker, bool can_work) noexcept {
    Lock lock(section_);
    worker->running = false;
    if (worker->given_up) {
      --given_up_;
      return false;
    }
    if (!can_work || waiting_) return false;
    waiting_ = worker;
    return true;
  }

 private:
  Workers() { InitializeCriticalSection(&section_); }

  // A new worker thread, waiting for a lookup. Under the lock.
  std::shared_ptr<Worker> NewWorker(bool rehearses) {
    auto worker = std::make_shared<Worker>();
    worker->rehearses = rehearses;
    auto reference = std::make_unique<std::shared_ptr<Worker>>(worker);
    base::KernelHandle thread;
    if (worker->wake) {
      thread.reset(CreateThread(nullptr, 0, RunWorker, reference.get(), 0, &worker->thread_id));
    }
    if (!thread) FailLookup(L"无法启动下载（错误 " + base::DecimalText(GetLastError()) + L"）");
    reference.release();  // the thread owns it now
    return worker;
  }

  CRITICAL_SECTION section_;
  std::shared_ptr<Worker> waiting_;  // the worker that takes the next lookup
  int given_up_ = 0;                 // workers still busy with lookups given up on
};

// A worker thread: owns its reference to the worker. It loads the download service and sets up
// COM once (the worker started ahead of the lookups also rehearses a download), then runs the
// lookups handed to it. When that setup fails, the failure is the answer to its first lookup,
// and it ends.
DWORD WINAPI RunWorker(void* parameter) noexcept {
  std::unique_ptr<std::shared_ptr<Worker>> self(static_cast<std::shared_ptr<Worker>*>(parameter));
  Workers& workers = Workers::Instance();
  std::optional<base::RuntimeError> broken;
  std::optional<DownloadService> service;
  std::optional<ComApartment> com;
  try {
    service.emplace(LoadDownloadService());
    com.emplace(*service);
  } catch (...) {
    broken = base::CurrentErrorAsRuntimeError();
  }
  if (!broken && (*self)->rehearses) RehearseDownload(*service);
  for (;;) {
    std::shared_ptr<Download> download = workers.Next(**self);
    std::optional<TempFile> file;
    try {
      if (broken) throw *broken;
      file.emplace();
      download->answer_size = FetchAnswerSize(*service, download->address, *file);
      download->done = true;
    } catch (...) {
      download->failure = base::CurrentErrorAsRuntimeError();
    }
    // Free again before its file goes: whoever sees the file gone finds the worker free. The
    // file goes right after the outcome is handed over, while the caller shows it.
    const bool stays = workers.Ended(*self, !broken);
    SetEvent(download->ended.get());
    file.reset();
    if (!stays) return 0;
  }
}

}  // namespace

std::string StatusAddress(std::wstring_view account) {
  std::optional<std::string> bytes = base::ToAnsiExact(account);
  if (!bytes) {
    throw base::RuntimeError(kAccountNotSendable, L"账号中有当前代码页无法表示的字符，无法查询");
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string address = kAddressPrefix;
  for (unsigned char c : *bytes) {
    if (IsUnreserved(c)) {
      address += static_cast<char>(c);
    } else {
      address += '%';
      address += kHex[c >> 4];
      address += kHex[c & 0xF];
    }
  }
  address += kAddressSuffix;
  return address;
}

bool WaitPlainly(void* ended, std::uint32_t timeoutMs) {
  switch (WaitForSingleObject(ended, timeoutMs)) {
    case WAIT_OBJECT_0:
      return true;
    case WAIT_TIMEOUT:
      return false;
    default:
      FailLookup(L"等待下载时出错（错误 " + base::DecimalText(GetLastError()) + L"）");
  }
}

// The download runs on a worker thread so that a server that never answers cannot hold the
// caller for more than kAnswerTimeoutMs; how the caller's window behaves meanwhile is up to the
// wait it passes. A download given up on finishes on its own and deletes its file then; if the
// program ends first, the file goes with it (see AnswerFiles).
bool IsOnline(std::wstring_view account, const WaitForDownload& wait) {
  auto download = std::make_shared<Download>();
  download->address = StatusAddress(account);
  if (!download->ended) {
    FailLookup(L"无法启动下载（错误 " + base::DecimalText(GetLastError()) + L"）");
  }
  Workers& workers = Workers::Instance();
  std::shared_ptr<Worker> worker = workers.Start(download);
  bool ended;
  try {
    ended = wait(download->ended.get(), kAnswerTimeoutMs);
  } catch (...) {
    workers.GiveUp(*worker);
    throw;
  }
  if (!ended) {
    workers.GiveUp(*worker);
    FailLookup(L"状态服务器在 " + base::DecimalText(kAnswerTimeoutMs / 1000) + L" 秒内没有应答");
  }
  if (download->failure) throw *download->failure;
  if (!download->done) FailLookup(L"在线状态查询失败");
  return IsOnlineAnswer(download->answer_size);
}

// Runs once the thread that set the timer has nothing else to do: timer messages come after
// every other message, painting included.
// https://learn.microsoft.com/en-us/windows/win32/api/winuser/nf-winuser-getmessage
void CALLBACK PrepareNow(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
  KillTimer(nullptr, timer);
  Workers::Instance().WarmUp();
}

void PrepareWhenIdle() {
  SetTimer(nullptr, 0, USER_TIMER_MINIMUM, PrepareNow);
}

std::uint32_t WaitingWorkerId() {
  return Workers::Instance().WaitingWorkerId();
}

int DownloadsGivenUp() {
  return Workers::Instance().GivenUp();
}

}  // namespace status
