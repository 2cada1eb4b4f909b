// What the tests of Quillstone.dll share: regsvr32 on the DLL, the
// registry as they read it, the hub windows they look for, and a
// late-bound object to build substitute hosts from. Windows only.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "addin/com_ref.h"
#include "forms/testing/ui.h"

namespace quillstone_testing {

using quillstone::Ref;
namespace ui = forms::testing;

inline const wchar_t kHubCaption[] = L"BRINDLE Plus - Windows XP Fenwick! - VB7";

inline std::wstring Guid(REFGUID g) {
  wchar_t text[40] = {};
  StringFromGUID2(g, text, 40);
  return text;
}

inline std::wstring DllPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.rfind(L'\\') + 1) + L"Quillstone.dll";
}

// Runs regsvr32 silently on the DLL; returns its exit code.
inline DWORD Regsvr32(bool unregister) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring cmd = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s " +
                     (unregister ? L"/u " : L"") + L"\"" + DllPath() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return GetLastError() | 0x80000000u;
  DWORD code = 0xFFFFFFFFu;
  if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

// A test suite with the DLL registered as regsvr32 registers it, and COM
// started, for all of its tests.
template <class Base = ::testing::Test>
class RegisteredDll : public Base {
 protected:
  static void SetUpTestSuite() {
    CoInitialize(nullptr);
    ASSERT_EQ(Regsvr32(false), 0u);
  }
  static void TearDownTestSuite() {
    EXPECT_EQ(Regsvr32(true), 0u);
    CoUninitialize();
  }
};

inline bool KeyExists(const std::wstring& key, HKEY root = HKEY_CURRENT_USER) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

inline std::wstring ReadString(const std::wstring& key, const wchar_t* name) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return L"<no key>";
  wchar_t buffer[512] = {};
  DWORD bytes = sizeof buffer - sizeof(wchar_t), type = 0;
  LONG rc = RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return L"<no value>";
  return type == REG_SZ ? std::wstring(buffer) : L"<not a string>";
}

// The visible hub windows of this thread.
inline std::vector<HWND> ShownHubs() {
  std::vector<HWND> found;
  struct Each {
    static BOOL CALLBACK Window(HWND w, LPARAM p) {
      if (IsWindowVisible(w) && ui::TextOf(w) == kHubCaption)
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
      return TRUE;
    }
  };
  EnumThreadWindows(GetCurrentThreadId(), Each::Window, reinterpret_cast<LPARAM>(&found));
  return found;
}

// ---- the substitute host ----------------------------------------------

// A late-bound object: members by name, each a handler of the raw call;
// it also answers to the interface ids it is given.
class Obj : public IDispatch {
 public:
  using Handler = std::function<HRESULT(WORD flags, DISPPARAMS* params, VARIANT* result)>;
  explicit Obj(std::vector<IID> iids = {}) : iids_(std::move(iids)) {}
  virtual ~Obj() = default;

  void Member(const wchar_t* name, Handler h) {
    DISPID id = static_cast<DISPID>(members_.size() + 1);
    names_[name] = id;
    members_[id] = std::move(h);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    bool known = iid == IID_IUnknown || iid == IID_IDispatch;
    for (const IID& i : iids_) known = known || iid == i;
    if (!known) return Extra(iid, out);
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (!n) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    auto it = names_.find(names[0]);
    if (count != 1 || it == names_.end()) return DISP_E_UNKNOWNNAME;
    ids[0] = it->second;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    auto it = members_.find(id);
    if (it == members_.end()) return DISP_E_MEMBERNOTFOUND;
    HRESULT hr = it->second(flags, params, result);
    if (hr == DISP_E_EXCEPTION && info) {
      *info = {};
      info->bstrDescription = SysAllocString(failure_.c_str());
      info->scode = E_FAIL;
    }
    return hr;
  }
  // Makes a handler fail with a description, as a host raises an error.
  HRESULT Raise(std::wstring description) {
    failure_ = std::move(description);
    return DISP_E_EXCEPTION;
  }

 protected:
  virtual HRESULT Extra(REFIID, void**) { return E_NOINTERFACE; }

 private:
  std::vector<IID> iids_;
  std::map<std::wstring, DISPID> names_;
  std::map<DISPID, Handler> members_;
  std::wstring failure_;
  ULONG refs_ = 1;
};

inline HRESULT ReturnObject(VARIANT* result, IDispatch* d) {
  if (result) {
    VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = d;
    if (d) d->AddRef();
  }
  return S_OK;
}

// An object with one connection point, for the event interface `events`:
// how either host lets the add-in subscribe to a control's clicks (VB6 on
// its CommandBarEvents object, Office on the button itself).
class EventSource : public Obj, public IConnectionPointContainer, public IConnectionPoint {
 public:
  explicit EventSource(const IID& events, std::vector<IID> iids = {})
      : Obj(std::move(iids)), events_(events) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Obj::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return Obj::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return Obj::Release(); }
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    *out = nullptr;
    if (!Offers() || iid != events_) return CONNECT_E_NOCONNECTION;
    *out = this;
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    *iid = events_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    *out = this;
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    Ref<IDispatch> d;
    if (FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(d.put()))))
      return CONNECT_E_CANNOTCONNECT;
    sinks[*cookie = next_++] = d;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    return sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  std::map<DWORD, Ref<IDispatch>> sinks;

 protected:
  // Whether the connection point is there to be found at all.
  virtual bool Offers() const { return true; }
  HRESULT Extra(REFIID iid, void** out) override {
    if (iid == IID_IConnectionPointContainer) *out = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IConnectionPoint) *out = static_cast<IConnectionPoint*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }

 private:
  IID events_;
  DWORD next_ = 1;
};

}  // namespace quillstone_testing
