// The platform's http client (wininet) and the shell's folder lookup
// (shell32), loaded when the store first needs them. Imported directly,
// those libraries and what they bring (much of the network stack) would load
// at every start of the program, although the hub and the other tools never
// use them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

namespace store {

struct WebLibrary {
  decltype(&::InternetOpenA) InternetOpenA = nullptr;
  decltype(&::InternetSetOptionA) InternetSetOptionA = nullptr;
  decltype(&::InternetCrackUrlA) InternetCrackUrlA = nullptr;
  decltype(&::InternetConnectA) InternetConnectA = nullptr;
  decltype(&::HttpOpenRequestA) HttpOpenRequestA = nullptr;
  decltype(&::HttpSendRequestA) HttpSendRequestA = nullptr;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA = nullptr;
  decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable = nullptr;
  decltype(&::InternetReadFile) InternetReadFile = nullptr;
  decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
  decltype(&::SHGetFolderPathW) SHGetFolderPathW = nullptr;

  // Every http function was found.
  bool HasHttp() const {
    return InternetOpenA && InternetSetOptionA && InternetCrackUrlA && InternetConnectA &&
           HttpOpenRequestA && HttpSendRequestA && HttpQueryInfoA &&
           InternetQueryDataAvailable && InternetReadFile && InternetCloseHandle;
  }
};

// Loads the libraries on the first call and keeps them for the program's
// life. A function whose library or entry is missing stays null: the
// download then fails as any failed download does.
const WebLibrary& Web();

}  // namespace store
