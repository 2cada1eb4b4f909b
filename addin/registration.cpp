// The add-in's per-user registration: its COM class, type library and
// interface, and the key under which the IDE lists it.
#include "addin/registration.h"

#include <oaidl.h>
#include <olectl.h>

#include <iterator>
#include <string>
#include <vector>

#include "addin/com_ref.h"
#include "addin/quillstone.h"
#include "forms/win32.h"

namespace quillstone {

namespace {

// A type library key is shared by both bitnesses: each DLL registers its
// own platform, so that registering the 64-bit DLL leaves the 32-bit one,
// which the VB6 IDE loads, in place.
#ifdef _WIN64
constexpr wchar_t kLibraryPlatform[] = L"\\0\\win64";
constexpr wchar_t kOtherPlatform[] = L"\\0\\win32";
#else
constexpr wchar_t kLibraryPlatform[] = L"\\0\\win32";
constexpr wchar_t kOtherPlatform[] = L"\\0\\win64";
#endif

std::wstring GuidText(REFGUID g) {
  wchar_t text[40] = {};
  StringFromGUID2(g, text, 40);
  return text;
}

const wchar_t kClasses[] = L"Software\\Classes\\";
const wchar_t kLibraryTitle[] = L"VB6 Add-In for BRINDLE Plus!";

// Where each IDE lists its add-ins for the current user (neither reads the
// machine's for this). The 32-bit DLL is for VB6 and 32-bit Office, the
// 64-bit one for 64-bit Office.
struct IdeKey {
  const wchar_t* key;
  DWORD loadBehavior;  // 1 VB6 at start-up, 3 VBA loaded at start-up
  bool commandLineSafe;  // VB6's value, written as 0
};
#ifdef _WIN64
constexpr IdeKey kIdeKeys[] = {
    {L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins64\\Quillstone.Connect", 3, false},
};
#else
constexpr IdeKey kIdeKeys[] = {
    {L"Software\\Microsoft\\Visual Basic\\6.0\\Addins\\Quillstone.Connect", 1, true},
    {L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins\\Quillstone.Connect", 3, false},
};
#endif
const wchar_t kFriendlyName[] = L"BRINDLE Plus!";
const wchar_t kDescription[] =
    L"Paste text as a VB string or as VB statements, and copy a string back as text, in the code window";

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

LONG SetDword(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value) {
  HKEY h = nullptr;
  LONG rc = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(h);
  return rc;
}

// A string value, or empty when it is missing. `view` may ask for one
// bitness's view of a redirected key.
std::wstring GetValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view = 0) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &h) != ERROR_SUCCESS) return {};
  DWORD type = 0, bytes = 0;
  std::wstring value;
  if (RegQueryValueExW(h, name, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ) {
    value.resize(bytes / sizeof(wchar_t) + 1);
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) ==
        ERROR_SUCCESS) {
      value.resize(bytes / sizeof(wchar_t));
      while (!value.empty() && value.back() == L'\0') value.pop_back();
    } else {
      value.clear();
    }
  }
  RegCloseKey(h);
  return value;
}

// Deletes `key` and every key under it. Written here rather than taken
// from shlwapi, whose import would load shlwapi and shcore each time the
// IDE loads the add-in, for the one call that unregistering makes.
void DeleteTree(HKEY root, const std::wstring& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
    std::vector<std::wstring> subkeys;
    wchar_t name[256];  // the longest name a key may have, and its end
    for (DWORD k = 0;; ++k) {
      DWORD length = static_cast<DWORD>(std::size(name));
      if (RegEnumKeyExW(h, k, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      subkeys.emplace_back(name, length);
    }
    RegCloseKey(h);
    for (const std::wstring& subkey : subkeys) DeleteTree(root, key + L"\\" + subkey);
  }
  RegDeleteKeyW(root, key.c_str());
}

// Deletes `key` and what is under it, then each parent up to `stop` that is
// left with nothing in it.
void DeleteKey(HKEY root, std::wstring key, const std::wstring& stop) {
  DeleteTree(root, key);
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

bool HasSubkeys(HKEY root, const std::wstring& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0;
  const LONG rc = RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(h);
  return rc == ERROR_SUCCESS && subkeys > 0;
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


// Whether the two bitnesses see one and the same class key: Windows keeps
// a view of each, Wine 8 one for both in the user's classes.
bool OneViewForBoth(HKEY root, const std::wstring& key) {
  const std::wstring as32 = GetValue(root, key, nullptr, KEY_WOW64_32KEY);
  const std::wstring as64 = GetValue(root, key, nullptr, KEY_WOW64_64KEY);
  return !as32.empty() && as32 == as64;
}

}  // namespace

// Both DLLs share the class id, the ProgID and the library. What only this
// DLL needs goes; what the other bitness still uses stays, and where the
// two share one view of the class, the class goes back to the other DLL.
void Unregister() {
  const std::wstring classes = kClasses;
  const std::wstring own = forms::ModulePath();
  const std::wstring lib = classes + L"TypeLib\\" + GuidText(LIBID_Quillstone);
  // The other DLL, where any of the roots says it is registered: under
  // Wine the two bitnesses' machine classes are apart while the user's are
  // one, so one root may know of it and another not.
  std::wstring other;
  for (HKEY root : ClassRoots())
    if (other.empty()) other = GetValue(root, lib + L"\\1.0" + kOtherPlatform, nullptr);
  for (HKEY root : ClassRoots()) {
    const std::wstring clsid = classes + L"CLSID\\" + GuidText(CLSID_Connect);
    const std::wstring server = clsid + L"\\InprocServer32";
    if (other.empty()) {
      DeleteKey(root, clsid, classes);
      DeleteKey(root, classes + kProgId, classes);
      DeleteKey(root, classes + L"Interface\\" + GuidText(IID__Connect), classes);
    } else if (OneViewForBoth(root, server)) {
      if (lstrcmpiW(GetValue(root, server, nullptr).c_str(), own.c_str()) == 0)
        SetValue(root, server, nullptr, other);
    } else {
      // The class and interface keys seen here are this bitness's own; the
      // other keeps its view of them, and the ProgID they share.
      DeleteKey(root, clsid, classes);
      DeleteKey(root, classes + L"Interface\\" + GuidText(IID__Connect), classes);
    }
    // The library goes only when no DLL of the other bitness still
    // registers its own platform under it.
    DeleteKey(root, lib + L"\\1.0" + kLibraryPlatform, classes);
    if (!HasSubkeys(root, lib + L"\\1.0\\0")) DeleteKey(root, lib, classes);
  }
  for (const IdeKey& ide : kIdeKeys) DeleteKey(HKEY_CURRENT_USER, ide.key, L"Software\\Microsoft");
}

HRESULT Register() {
  const std::wstring path = forms::ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  // The type library must load from the file before anything points at it.
  Ref<ITypeLib> lib;
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()))) return SELFREG_E_TYPELIB;

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
    set(lib_key + kLibraryPlatform, nullptr, path);
    set(lib_key + L"\\FLAGS", nullptr, L"0");
    set(lib_key + L"\\HELPDIR", nullptr, folder);
    set(iface, nullptr, L"_Connect");
    // Dual: the standard automation marshaler through the type library.
    set(iface + L"\\ProxyStubClsid32", nullptr, L"{00020424-0000-0000-C000-000000000046}");
    set(iface + L"\\TypeLib", nullptr, libid);
    set(iface + L"\\TypeLib", L"Version", L"1.0");
  }
  for (const IdeKey& ide : kIdeKeys) {
    results.push_back(SetValue(HKEY_CURRENT_USER, ide.key, L"FriendlyName", kFriendlyName));
    results.push_back(SetValue(HKEY_CURRENT_USER, ide.key, L"Description", kDescription));
    results.push_back(SetDword(HKEY_CURRENT_USER, ide.key, L"LoadBehavior", ide.loadBehavior));
    if (ide.commandLineSafe)
      results.push_back(SetDword(HKEY_CURRENT_USER, ide.key, L"CommandLineSafe", 0));
  }
  for (LONG rc : results) {
    if (rc != ERROR_SUCCESS) {
      Unregister();
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

}  // namespace quillstone
