#include "forms/Accessible.h"

// Nothing here throws: the file is built without exception tables or type information (see
// CMakeLists.txt), which would be most of its size.

#include <objbase.h>
#include <oleacc.h>

#include <new>

#include "base/SystemDll.h"

namespace forms {
namespace {

// What answering needs, from libraries that a program nobody reads to never loads. They stay
// loaded: the objects handed out may be called for as long as the program runs.
struct AccessibilityService {
  decltype(&CreateStdAccessibleObject) createStdAccessibleObject;
  decltype(&LresultFromObject) lresultFromObject;
  decltype(&SysAllocString) sysAllocString;
  bool ready;
};

template <typename Function>
Function Load(const wchar_t* dll, const char* name) {
  return base::SystemFunction<Function>(base::LoadSystemDll(dll), name);
}

// The answer is marshalled through COM: the user-interface thread joins a single-threaded
// apartment on the first request, and stays in it.
AccessibilityService LoadService() {
  AccessibilityService service = {
      Load<decltype(&CreateStdAccessibleObject)>(L"oleacc.dll", "CreateStdAccessibleObject"),
      Load<decltype(&LresultFromObject)>(L"oleacc.dll", "LresultFromObject"),
      Load<decltype(&SysAllocString)>(L"oleaut32.dll", "SysAllocString"), false};
  const auto coInitializeEx = Load<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
  const HRESULT joined =
      coInitializeEx ? coInitializeEx(nullptr, COINIT_APARTMENTTHREADED) : E_NOTIMPL;
  service.ready = service.createStdAccessibleObject && service.lresultFromObject &&
                  service.sysAllocString && (SUCCEEDED(joined) || joined == RPC_E_CHANGED_MODE);
  return service;
}

// The system's object for a control under another name: every call but the name's goes to it.
class NamedAccessible final : public IAccessible {
 public:
  // Takes the reference to system. The name is the label's caption as a person reads it: without
  // the colon after it.
  NamedAccessible(IAccessible* system, HWND label, decltype(&SysAllocString) allocate)
      : system_(system), allocate_(allocate) {
    int n = GetWindowTextW(label, name_, kNameSize);
    while (n > 0 && (name_[n - 1] == L':' || name_[n - 1] == L'：' || name_[n - 1] == L' ')) {
      name_[--n] = L'\0';
    }
  }
  ~NamedAccessible() { system_->Release(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return system_->QueryInterface(iid, object);  // IOleWindow, IEnumVARIANT: the system's
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) noexcept override {
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return system_->get_accName(child, name);
    if (!name) return E_POINTER;
    *name = allocate_(name_);
    return *name ? S_OK : E_OUTOFMEMORY;
  }

  // clang-format off
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) noexcept override { return system_->GetTypeInfoCount(n); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) noexcept override { return system_->GetTypeInfo(i, l, t); }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) noexcept override { return system_->GetIDsOfNames(r, n, c, l, d); }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a) noexcept override { return system_->Invoke(d, r, l, f, p, v, e, a); }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) noexcept override { return system_->get_accParent(p); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) noexcept override { return system_->get_accChildCount(n); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) noexcept override { return system_->get_accChild(c, p); }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* s) noexcept override { return system_->get_accValue(c, s); }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* s) noexcept override { return system_->get_accDescription(c, s); }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* v) noexcept override { return system_->get_accRole(c, v); }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* v) noexcept override { return system_->get_accState(c, v); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* s) noexcept override { return system_->get_accHelp(c, s); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* s, VARIANT c, LONG* t) noexcept override { return system_->get_accHelpTopic(s, c, t); }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* s) noexcept override { return system_->get_accKeyboardShortcut(c, s); }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* v) noexcept override { return system_->get_accFocus(v); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* v) noexcept override { return system_->get_accSelection(v); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* s) noexcept override { return system_->get_accDefaultAction(c, s); }
  HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT c) noexcept override { return system_->accSelect(f, c); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) noexcept override { return system_->accLocation(x, y, w, h, c); }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT s, VARIANT* e) noexcept override { return system_->accNavigate(d, s, e); }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* c) noexcept override { return system_->accHitTest(x, y, c); }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) noexcept override { return system_->accDoDefaultAction(c); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR s) noexcept override { return system_->put_accName(c, s); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR s) noexcept override { return system_->put_accValue(c, s); }
  // clang-format on

 private:
  static constexpr int kNameSize = 128;  // a longer caption names the control by its start
  IAccessible* const system_;
  const decltype(&SysAllocString) allocate_;
  wchar_t name_[kNameSize] = {};
  LONG references_ = 1;
};

}  // namespace

LRESULT AnswerNamedAfterLabel(HWND control, HWND label, WPARAM wp, LPARAM lp) noexcept {
  // The object id is a DWORD: on 64-bit Windows lParam carries it without sign extension.
  if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT) || !label) return 0;
  static const AccessibilityService service = LoadService();  // on the first request
  IAccessible* system = nullptr;
  if (!service.ready ||
      FAILED(service.createStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                               reinterpret_cast<void**>(&system)))) {
    return 0;
  }
  auto* named = new (std::nothrow) NamedAccessible(system, label, service.sysAllocString);
  if (!named) {
    system->Release();
    return 0;
  }
  const LRESULT answer = service.lresultFromObject(__uuidof(IAccessible), wp, named);
  named->Release();  // the answer holds its own reference
  return answer > 0 ? answer : 0;
}

}  // namespace forms
