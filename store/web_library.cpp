#include "store/web_library.h"

namespace store {
namespace {

template <class F>
void Find(HMODULE library, const char* name, F& function) {
  function = library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                     : nullptr;
}

WebLibrary Load() {
  WebLibrary web;
  HMODULE wininet = LoadLibraryW(L"wininet.dll");
  HMODULE shell32 = LoadLibraryW(L"shell32.dll");
  Find(wininet, "InternetOpenA", web.InternetOpenA);
  Find(wininet, "InternetSetOptionA", web.InternetSetOptionA);
  Find(wininet, "InternetCrackUrlA", web.InternetCrackUrlA);
  Find(wininet, "InternetConnectA", web.InternetConnectA);
  Find(wininet, "HttpOpenRequestA", web.HttpOpenRequestA);
  Find(wininet, "HttpSendRequestA", web.HttpSendRequestA);
  Find(wininet, "HttpQueryInfoA", web.HttpQueryInfoA);
  Find(wininet, "InternetQueryDataAvailable", web.InternetQueryDataAvailable);
  Find(wininet, "InternetReadFile", web.InternetReadFile);
  Find(wininet, "InternetCloseHandle", web.InternetCloseHandle);
  Find(shell32, "SHGetFolderPathW", web.SHGetFolderPathW);
  return web;
}

}  // namespace

const WebLibrary& Web() {
  static const WebLibrary web = Load();
  return web;
}

}  // namespace store
