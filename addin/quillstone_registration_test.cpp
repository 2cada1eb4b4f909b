// regsvr32 and regsvr32 /u of Quillstone.dll: per user, for the IDEs of the
// DLL's bitness, and beside the other bitness's DLL, which shares the class
// id, the ProgID and the type library. This machine may run one bitness
// only: the other's registration is written here as its regsvr32 writes it.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/quillstone.h"
#include "addin/substitute_host.h"

namespace {

using namespace quillstone_testing;

const std::wstring kClasses = L"Software\\Classes\\";
const std::wstring kClsid = kClasses + L"CLSID\\" + Guid(quillstone::CLSID_Connect);
const std::wstring kServer = kClsid + L"\\InprocServer32";
const std::wstring kProgIdKey = kClasses + L"Quillstone.Connect";
const std::wstring kLibrary = kClasses + L"TypeLib\\" + Guid(quillstone::LIBID_Quillstone);
const std::wstring kVb6 = L"Software\\Microsoft\\Visual Basic\\6.0\\Addins\\Quillstone.Connect";
const std::wstring kVba32 = L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins\\Quillstone.Connect";
const std::wstring kVba64 = L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins64\\Quillstone.Connect";
const bool k64 = sizeof(void*) == 8;
const std::wstring kOtherDll = L"C:\\other\\Quillstone.dll";

constexpr DWORD kNoKey = 0xFFFFFFFFu, kNoValue = 0xFFFFFFFEu;

DWORD ReadDword(const std::wstring& key, const wchar_t* name) {
  DWORD value = kNoKey, bytes = sizeof value, type = 0;
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return value;
  if (RegQueryValueExW(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD)
    value = kNoValue;
  RegCloseKey(h);
  return value;
}

void Write(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
}

void WriteDword(const std::wstring& key, const wchar_t* name, DWORD value) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(h);
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// The keys only this bitness's DLL registers for its IDEs, and the other's.
std::vector<std::wstring> OwnIdeKeys() { return k64 ? std::vector{kVba64} : std::vector{kVb6, kVba32}; }
std::vector<std::wstring> OtherIdeKeys() { return k64 ? std::vector{kVb6, kVba32} : std::vector{kVba64}; }
const wchar_t* OwnPlatform() { return k64 ? L"win64" : L"win32"; }
const wchar_t* OtherPlatform() { return k64 ? L"win32" : L"win64"; }

// What the other bitness's regsvr32 writes, in the one view of the user's
// classes that Wine has (the class then names the other DLL).
void RegisterOther() {
  Write(kClsid, nullptr, L"Quillstone.Connect");
  Write(kServer, nullptr, kOtherDll);
  Write(kClsid + L"\\ProgID", nullptr, L"Quillstone.Connect");
  Write(kProgIdKey + L"\\CLSID", nullptr, Guid(quillstone::CLSID_Connect));
  Write(kLibrary + L"\\1.0\\0\\" + OtherPlatform(), nullptr, kOtherDll);
  for (const auto& key : OtherIdeKeys()) {
    Write(key, L"FriendlyName", L"BRINDLE Plus!");
    WriteDword(key, L"LoadBehavior", key == kVb6 ? 1 : 3);
  }
}

void ExpectOtherWhole() {
  EXPECT_EQ(ReadString(kLibrary + L"\\1.0\\0\\" + OtherPlatform(), nullptr), kOtherDll);
  EXPECT_EQ(ReadString(kProgIdKey + L"\\CLSID", nullptr), Guid(quillstone::CLSID_Connect));
  for (const auto& key : OtherIdeKeys()) {
    EXPECT_EQ(ReadString(key, L"FriendlyName"), L"BRINDLE Plus!") << Narrow(key);
    EXPECT_EQ(ReadDword(key, L"LoadBehavior"), key == kVb6 ? 1u : 3u) << Narrow(key);
  }
}

bool Creatable() {
  CoInitialize(nullptr);
  CLSID clsid = {};
  IUnknown* object = nullptr;
  const bool ok = SUCCEEDED(CLSIDFromProgID(quillstone::kProgId, &clsid)) &&
                  SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                             reinterpret_cast<void**>(&object)));
  if (object) object->Release();
  CoUninitialize();
  return ok;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    // The test's own prefix: the IDEs' keys hold nothing else.
    for (const std::wstring& key : {kClsid, kProgIdKey, kLibrary, std::wstring(L"Software\\Microsoft\\Visual Basic"),
                                    std::wstring(L"Software\\Microsoft\\VBA")}) {
      SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
      SHDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    }
  }
};

TEST_F(RegistrationTest, RegistersForTheIdesOfItsBitnessAndRemovesItAll) {
  ASSERT_EQ(Regsvr32(false), 0u);
  for (const auto& key : OwnIdeKeys()) {
    EXPECT_EQ(ReadString(key, L"FriendlyName"), L"BRINDLE Plus!") << Narrow(key);
    const std::wstring description = ReadString(key, L"Description");
    EXPECT_GT(description.size(), 20u) << Narrow(key);
    EXPECT_EQ(description.find_first_of(L"\r\n<"), std::wstring::npos) << Narrow(description);
    EXPECT_EQ(ReadDword(key, L"LoadBehavior"), key == kVb6 ? 1u : 3u) << Narrow(key);
    EXPECT_EQ(ReadDword(key, L"CommandLineSafe"), key == kVb6 ? 0u : kNoValue) << Narrow(key);
  }
  for (const auto& key : OtherIdeKeys()) EXPECT_FALSE(KeyExists(key)) << Narrow(key);
  EXPECT_EQ(ReadString(kServer, nullptr), DllPath());
  EXPECT_EQ(ReadString(kLibrary + L"\\1.0\\0\\" + OwnPlatform(), nullptr), DllPath());
  EXPECT_TRUE(Creatable());

  ASSERT_EQ(Regsvr32(true), 0u);
  for (const auto& key : {kClsid, kProgIdKey, kLibrary,
                          kClasses + L"Interface\\" + Guid(quillstone::IID__Connect)}) {
    EXPECT_FALSE(KeyExists(key)) << Narrow(key);
    EXPECT_FALSE(KeyExists(key, HKEY_LOCAL_MACHINE)) << Narrow(key);
  }
  EXPECT_FALSE(KeyExists(L"Software\\Microsoft\\Visual Basic"));
  EXPECT_FALSE(KeyExists(L"Software\\Microsoft\\VBA"));
  EXPECT_FALSE(Creatable());
}

TEST_F(RegistrationTest, TheOtherBitnessFirstThenThisOneRegisteredAndRemoved) {
  RegisterOther();
  ASSERT_EQ(Regsvr32(false), 0u);
  ExpectOtherWhole();
  EXPECT_EQ(ReadString(kServer, nullptr), DllPath());
  EXPECT_TRUE(Creatable());

  // The class goes back to the other DLL, which now alone needs it.
  ASSERT_EQ(Regsvr32(true), 0u);
  ExpectOtherWhole();
  // Under Wine the machine's classes, where its COM looks, keep the ProgID
  // for the other bitness too.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    EXPECT_TRUE(KeyExists(kProgIdKey + L"\\CLSID", HKEY_LOCAL_MACHINE));
  }
  EXPECT_EQ(ReadString(kServer, nullptr), kOtherDll);
  for (const auto& key : OwnIdeKeys()) EXPECT_FALSE(KeyExists(key)) << Narrow(key);
  EXPECT_FALSE(KeyExists(kLibrary + L"\\1.0\\0\\" + OwnPlatform()));
}

TEST_F(RegistrationTest, ThisBitnessFirstThenTheOtherThenThisOneRemoved) {
  ASSERT_EQ(Regsvr32(false), 0u);
  RegisterOther();
  ASSERT_EQ(Regsvr32(true), 0u);
  ExpectOtherWhole();
  EXPECT_EQ(ReadString(kServer, nullptr), kOtherDll);
  for (const auto& key : OwnIdeKeys()) EXPECT_FALSE(KeyExists(key)) << Narrow(key);

  // Registered again beside it: this bitness's hosts can create it again.
  ASSERT_EQ(Regsvr32(false), 0u);
  ExpectOtherWhole();
  EXPECT_TRUE(Creatable());
}

}  // namespace
