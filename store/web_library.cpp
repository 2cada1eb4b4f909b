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
  HMODULE urlmon = LoadLibraryW(L"urlmon.dll");
  HMODULE wininet = LoadLibraryW(L"wininet.dll");
  HMODULE shell32 = LoadLibraryW(L"shell32.dll");
  Find(urlmon, "URLDownloadToFileA", web.URLDownloadToFileA);
  Find(wininet, "GetUrlCacheEntryInfoA", web.GetUrlCacheEntryInfoA);
  Find(wininet, "DeleteUrlCacheEntryA", web.DeleteUrlCacheEntryA);
  Find(wininet, "FindFirstUrlCacheEntryA", web.FindFirstUrlCacheEntryA);
  Find(wininet, "FindNextUrlCacheEntryA", web.FindNextUrlCacheEntryA);
  Find(wininet, "FindCloseUrlCache", web.FindCloseUrlCache);
  Find(shell32, "SHGetFolderPathW", web.SHGetFolderPathW);
  return web;
}

}  // namespace

const WebLibrary& Web() {
  static const WebLibrary web = Load();
  return web;
}

}  // namespace store
