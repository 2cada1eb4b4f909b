#include "store/testing/loopback_listener.h"

namespace store::testing {

namespace {

sockaddr_in Loopback(unsigned short port) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

SOCKET ListenOnLoopback(unsigned short port) {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return INVALID_SOCKET;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    return s;
  }
  const BOOL reuse = TRUE;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
  const sockaddr_in address = Loopback(port);
  if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(s, 16) != 0) {
    closesocket(s);
    WSACleanup();
    return INVALID_SOCKET;
  }
  return s;
}

void WakeAccept(unsigned short port) {
  SOCKET wake = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (wake == INVALID_SOCKET) return;
  const sockaddr_in address = Loopback(port);
  connect(wake, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  closesocket(wake);
}

}  // namespace store::testing
