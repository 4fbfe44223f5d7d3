#include "win32/DesktopShell.h"

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

// shellapi.h's ShellExecute macro would rename the dispatch interface's method of that name.
#undef ShellExecute

#include <utility>

#include "platform/Trace.h"

namespace tarnwell::win32 {
namespace {

// Owns one COM interface pointer; the only place that calls Release.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

  template <typename U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> other;
    if (p_) p_->QueryInterface(iid, other.putVoid());
    return other;
  }

 private:
  T* p_ = nullptr;
};

// COM for this thread for as long as it lives; balanced only when the call took effect.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  explicit Variant(const std::wstring& text) : Variant() {
    v_.vt = VT_BSTR;
    V_BSTR(&v_) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  explicit Variant(int number) : Variant() {
    v_.vt = VT_I4;
    V_I4(&v_) = number;
  }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* get() { return &v_; }
  const VARIANT& value() const { return v_; }

 private:
  VARIANT v_;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : s_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }

 private:
  BSTR s_;
};

// The desktop's shell as a dispatch object; it runs as the desktop's ordinary user.
ComPtr<IShellDispatch2> DesktopShell() {
  ComPtr<IShellWindows> windows;
  if (const HRESULT created = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                                 IID_IShellWindows, windows.putVoid());
      FAILED(created)) {
    platform::TraceHresult(L"CoCreateInstance(ShellWindows)", created);
    return {};
  }
  Variant location(CSIDL_DESKTOP);
  Variant root;
  LONG desktopWindow = 0;
  ComPtr<IDispatch> desktop;
  // S_FALSE means no desktop window: the pointer stays empty.
  if (const HRESULT found = windows->FindWindowSW(location.get(), root.get(), SWC_DESKTOP,
                                                  &desktopWindow, SWFO_NEEDDISPATCH, desktop.put());
      found != S_OK || !desktop) {
    platform::TraceHresult(L"IShellWindows::FindWindowSW(desktop)", found);
    return {};
  }
  const auto provider = desktop.As<IServiceProvider>(IID_IServiceProvider);
  ComPtr<IShellBrowser> browser;
  if (!provider ||
      FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.putVoid()))) {
    return {};
  }
  ComPtr<IShellView> view;
  if (FAILED(browser->QueryActiveShellView(view.put())) || !view) return {};
  ComPtr<IDispatch> background;
  if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.putVoid())) ||
      !background) {
    return {};
  }
  const auto folderView = background.As<IShellFolderViewDual>(IID_IShellFolderViewDual);
  ComPtr<IDispatch> application;
  if (!folderView || FAILED(folderView->get_Application(application.put())) || !application) {
    return {};
  }
  return application.As<IShellDispatch2>(IID_IShellDispatch2);
}

}  // namespace

bool OpenAsDesktopUser(const std::wstring& file, const std::wstring& folder) {
  const ComApartment apartment;
  const auto shell = DesktopShell();
  if (!shell) return false;
  const Bstr name(file);
  Variant arguments(std::wstring{});
  Variant directory(folder);
  Variant operation(std::wstring(L"open"));
  Variant show(SW_SHOWNORMAL);
  const HRESULT opened = shell->ShellExecute(name.get(), arguments.value(), directory.value(),
                                             operation.value(), show.value());
  if (FAILED(opened)) platform::TraceHresult(L"IShellDispatch2::ShellExecute", opened);
  return SUCCEEDED(opened);
}

}  // namespace tarnwell::win32
