// What the store tests' loopback servers share: a listening socket on
// 127.0.0.1, and the wake-up of a thread blocked in accept on it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>

namespace store::testing {

// A socket listening on 127.0.0.1:port, or INVALID_SOCKET. Reuses the
// address: the previous test's server may have left connections in
// TIME_WAIT. A socket returned holds one WSAStartup, for the caller's
// WSACleanup after closing it.
SOCKET ListenOnLoopback(unsigned short port);

// Ends a blocked accept on 127.0.0.1:port with a connection of our own,
// closed at once.
void WakeAccept(unsigned short port);

}  // namespace store::testing
