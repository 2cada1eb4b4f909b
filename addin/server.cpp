// Quillstone.dll: the COM class Connect for the host IDE, its class factory,
// and its per-user registration.
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <shlwapi.h>

#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "addin/com_host.h"
#include "addin/connect.h"
#include "addin/hub_window.h"
#include "addin/quillstone.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace quillstone {
namespace {

using brindle::Status;

HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(Module(), path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The type information of one of our interfaces, from the library embedded
// in this DLL; loaded once and kept for the life of the process.
ITypeInfo* TypeInfoOf(REFIID iid) {
  static ITypeLib* lib = [] {
    ITypeLib* l = nullptr;
    std::wstring path = ModulePath();
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &l))) l = nullptr;
    return l;
  }();
  if (!lib) return nullptr;
  ITypeInfo* info = nullptr;
  if (FAILED(lib->GetTypeInfoOfGuid(iid, &info))) return nullptr;
  return info;  // the caller owns one reference
}

template <class Body>
HRESULT Entry(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// IDispatch through the type library, for the interface `iid` of `self`.
struct Dispatcher {
  const IID& iid;
  ITypeInfo* info = nullptr;

  ~Dispatcher() {
    if (info) info->Release();
  }
  ITypeInfo* Info() {
    if (!info) info = TypeInfoOf(iid);
    return info;
  }
  HRESULT GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = Info() ? 1 : 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT index, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (!Info()) return TYPE_E_CANTLOADLIBRARY;
    info->AddRef();
    *out = info;
    return S_OK;
  }
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
    if (!Info()) return TYPE_E_CANTLOADLIBRARY;
    return DispGetIDsOfNames(info, names, count, ids);
  }
  HRESULT Invoke(void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* arg) {
    if (!Info()) return TYPE_E_CANTLOADLIBRARY;
    return DispInvoke(self, info, id, flags, params, result, excep, arg);
  }
};

// An automation interface whose IDispatch half works from its type
// information.
template <class Interface>
class Dispatched : public Interface {
 public:
  explicit Dispatched(const IID& iid) : dispatch_{iid} {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return Entry([&] { return dispatch_.GetTypeInfoCount(count); });
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    return Entry([&] { return dispatch_.GetTypeInfo(index, out); });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    return Entry([&] { return dispatch_.GetIDsOfNames(names, count, ids); });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg) override {
    return Entry([&] {
      return dispatch_.Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, arg);
    });
  }

 private:
  Dispatcher dispatch_;
};

std::atomic<long> g_locks{0};

class ConnectObject final : public Dispatched<_Connect> {
 public:
  ConnectObject() : Dispatched(IID__Connect) { ObjectCreated(); }
  ~ConnectObject() { ObjectDestroyed(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__Connect) {
      *out = static_cast<_Connect*>(this);
    } else if (iid == IID__IDTExtensibility2) {
      *out = &extensibility_;
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) {
      try {
        delete this;
      } catch (...) {
      }
    }
    return n;
  }

  // _Connect
  HRESULT STDMETHODCALLTYPE get_FormDisplayed(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = connect_.FormDisplayed;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_FormDisplayed(VARIANT_BOOL value) override {
    connect_.FormDisplayed = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_VBInstance(IDispatch** value) override {
    return Give(DispatchOf(connect_.VBInstance), value);
  }
  HRESULT STDMETHODCALLTYPE put_VBInstance(IDispatch* value) override {
    return putref_VBInstance(value);
  }
  HRESULT STDMETHODCALLTYPE putref_VBInstance(IDispatch* value) override {
    return Entry([&] {
      std::shared_ptr<brindle::VBE> root;
      Status status = WrapVBE(value, root);
      if (status.ok()) connect_.VBInstance = std::move(root);
      return ToHResult(status);
    });
  }
  HRESULT STDMETHODCALLTYPE get_MenuHandler(IDispatch** value) override {
    return Give(DispatchOf(connect_.GetMenuHandler()), value);
  }
  HRESULT STDMETHODCALLTYPE put_MenuHandler(IDispatch* value) override {
    return putref_MenuHandler(value);
  }
  HRESULT STDMETHODCALLTYPE putref_MenuHandler(IDispatch* value) override {
    return Entry([&] { return ToHResult(connect_.SetMenuHandler(WrapCommandBarEvents(value))); });
  }
  HRESULT STDMETHODCALLTYPE Hide() override {
    connect_.Hide();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Show() override {
    connect_.Show();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddToAddInCommandBar(BSTR* sCaption, IDispatch** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    return Entry([&] {
      std::u16string caption;
      if (sCaption && *sCaption)
        caption.assign(reinterpret_cast<const char16_t*>(*sCaption), SysStringLen(*sCaption));
      return Give(DispatchOf(connect_.AddToAddInCommandBar(caption)), result);
    });
  }

 private:
  static HRESULT Give(IDispatch* d, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = d;
    if (d) d->AddRef();
    return S_OK;
  }

  // The host's add-in connection interface, as a second table of the same
  // object.
  struct Extensibility final : Dispatched<_IDTExtensibility2> {
    explicit Extensibility(ConnectObject& owner)
        : Dispatched(IID__IDTExtensibility2), owner(owner) {}
    ConnectObject& outer() { return owner; }
    ConnectObject& owner;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
      return outer().QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return outer().AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return outer().Release(); }
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, LONG ConnectMode,
                                           IDispatch* AddInInst, SAFEARRAY**) override {
      return Entry([&] {
        outer().connect_.Designer().OnConnection(WrapObject(Application), ConnectMode,
                                                 WrapObject(AddInInst), nullptr);
        return S_OK;
      });
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(LONG RemoveMode, SAFEARRAY**) override {
      return Entry([&] {
        outer().connect_.Designer().OnDisconnection(RemoveMode, nullptr);
        return S_OK;
      });
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }
  };

  std::atomic<ULONG> refs_{1};
  HubWindows hubs_;
  RegistrySettings settings_;
  MsgBoxService msgbox_;
  brindle::Connect connect_{hubs_, settings_, msgbox_};
  Extensibility extensibility_{*this};
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static: its count only keeps the DLL loaded.
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++g_locks); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--g_locks); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return Entry([&] {
      auto* object = new ConnectObject();
      HRESULT hr = object->QueryInterface(iid, out);
      object->Release();
      return hr;
    });
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) ++g_locks;
    else --g_locks;
    return S_OK;
  }
};

Factory g_factory;

// ---- registration --------------------------------------------------------

std::wstring GuidText(REFGUID g) {
  wchar_t text[40] = {};
  StringFromGUID2(g, text, 40);
  return text;
}

const wchar_t kClasses[] = L"Software\\Classes\\";
const wchar_t kAddinsKey[] = L"Software\\Microsoft\\Visual Basic\\6.0\\Addins\\Quillstone.Connect";
const wchar_t kLibraryTitle[] = L"VB6 Add-In for BRINDLE Plus!";

LONG SetValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h = nullptr;
  LONG rc = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &h, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return rc;
}

LONG MakeKey(const std::wstring& key) {
  HKEY h = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                            nullptr);
  if (rc == ERROR_SUCCESS) RegCloseKey(h);
  return rc;
}

// Deletes `key` and what is under it, then each parent up to `stop` that is
// left with nothing in it.
void DeleteKey(HKEY root, std::wstring key, const std::wstring& stop) {
  SHDeleteKeyW(root, key.c_str());
  for (;;) {
    size_t cut = key.rfind(L'\\');
    if (cut == std::wstring::npos) return;
    key.resize(cut);
    if (key.size() <= stop.size()) return;
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    LONG rc = RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS || subkeys || values) return;
    if (RegDeleteKeyW(root, key.c_str()) != ERROR_SUCCESS) return;
  }
}

// Windows merges the user's classes into the machine's view of them; Wine
// (as of 8.0) does not, so there the classes also go into the prefix's
// machine classes, which belong to the prefix's one user and need no rights.
bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::vector<HKEY> ClassRoots() {
  std::vector<HKEY> roots{HKEY_CURRENT_USER};
  if (UnderWine()) roots.push_back(HKEY_LOCAL_MACHINE);
  return roots;
}

void Unregister() {
  const std::wstring classes = kClasses;
  for (HKEY root : ClassRoots()) {
    DeleteKey(root, classes + L"CLSID\\" + GuidText(CLSID_Connect), classes);
    DeleteKey(root, classes + kProgId, classes);
    DeleteKey(root, classes + L"TypeLib\\" + GuidText(LIBID_Quillstone), classes);
    DeleteKey(root, classes + L"Interface\\" + GuidText(IID__Connect), classes);
  }
  DeleteKey(HKEY_CURRENT_USER, kAddinsKey, L"Software\\Microsoft");
}

HRESULT Register() {
  const std::wstring path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  // The type library must load from the file before anything points at it.
  ITypeLib* lib = nullptr;
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) return SELFREG_E_TYPELIB;
  lib->Release();

  const std::wstring classes = kClasses;
  const std::wstring clsid = classes + L"CLSID\\" + GuidText(CLSID_Connect);
  const std::wstring libid = GuidText(LIBID_Quillstone);
  const std::wstring lib_key = classes + L"TypeLib\\" + libid + L"\\1.0";
  const std::wstring iface = classes + L"Interface\\" + GuidText(IID__Connect);
  std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);

  std::vector<LONG> results;
  for (HKEY root : ClassRoots()) {
    auto set = [&](const std::wstring& key, const wchar_t* name, const std::wstring& value) {
      results.push_back(SetValue(root, key, name, value));
    };
    set(clsid, nullptr, kProgId);
    set(clsid + L"\\InprocServer32", nullptr, path);
    set(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    set(clsid + L"\\ProgID", nullptr, kProgId);
    set(clsid + L"\\TypeLib", nullptr, libid);
    set(clsid + L"\\VERSION", nullptr, L"1.0");
    set(classes + kProgId, nullptr, kProgId);
    set(classes + kProgId + L"\\CLSID", nullptr, GuidText(CLSID_Connect));
    set(lib_key, nullptr, kLibraryTitle);
    set(lib_key + L"\\0\\win32", nullptr, path);
    set(lib_key + L"\\FLAGS", nullptr, L"0");
    set(lib_key + L"\\HELPDIR", nullptr, folder);
    set(iface, nullptr, L"_Connect");
    // Dual: the standard automation marshaler through the type library.
    set(iface + L"\\ProxyStubClsid32", nullptr, L"{00020424-0000-0000-C000-000000000046}");
    set(iface + L"\\TypeLib", nullptr, libid);
    set(iface + L"\\TypeLib", L"Version", L"1.0");
  }
  // The IDE lists every add-in under this key; nothing more is needed to
  // list it, unloaded.
  results.push_back(MakeKey(kAddinsKey));
  for (LONG rc : results) {
    if (rc != ERROR_SUCCESS) {
      Unregister();
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

}  // namespace
}  // namespace quillstone

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  using namespace quillstone;
  return Entry([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_Connect) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
  });
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  using namespace quillstone;
  return LiveObjects() == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
  return quillstone::Entry([] { return quillstone::Register(); });
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return quillstone::Entry([] {
    quillstone::Unregister();
    return S_OK;
  });
}

}  // extern "C"
