// The platform's download and URL-cache functions (urlmon, wininet) and the
// shell's folder lookup (shell32), loaded when the store first needs them.
// Imported directly, those libraries and what they bring (much of COM and
// the network stack) would load at every start of the program, although the
// hub and the other tools never use them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>
#include <urlmon.h>
#include <wininet.h>

namespace store {

struct WebLibrary {
  decltype(&::URLDownloadToFileA) URLDownloadToFileA = nullptr;
  decltype(&::GetUrlCacheEntryInfoA) GetUrlCacheEntryInfoA = nullptr;
  decltype(&::DeleteUrlCacheEntryA) DeleteUrlCacheEntryA = nullptr;
  decltype(&::FindFirstUrlCacheEntryA) FindFirstUrlCacheEntryA = nullptr;
  decltype(&::FindNextUrlCacheEntryA) FindNextUrlCacheEntryA = nullptr;
  decltype(&::FindCloseUrlCache) FindCloseUrlCache = nullptr;
  decltype(&::SHGetFolderPathW) SHGetFolderPathW = nullptr;

  // Every URL-cache function was found.
  bool HasUrlCache() const {
    return GetUrlCacheEntryInfoA && DeleteUrlCacheEntryA && FindFirstUrlCacheEntryA &&
           FindNextUrlCacheEntryA && FindCloseUrlCache;
  }
};

// Loads the libraries on the first call and keeps them for the program's
// life. A function whose library or entry is missing stays null: the
// download then fails as any failed download does.
const WebLibrary& Web();

}  // namespace store
