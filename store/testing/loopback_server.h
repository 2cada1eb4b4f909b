// A tiny HTTP/1.1 server on 127.0.0.1 for the store's tests and benchmark:
// it answers every request with one configurable reply, then closes the
// connection. Runs on a thread of its own so the window's blocking download
// can be answered while the UI thread waits in it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace store::testing {

struct Reply {
  int status = 200;
  std::string body;
  // The Content-Length announced; below zero: the body's real length. A
  // larger value than the body makes a response cut short.
  long long announcedLength = -1;
  // Waited before the status line, and again between headers and body.
  int delayMs = 0;
  // Run on the server's thread as each request arrives.
  std::function<void()> onRequest = nullptr;
  // Sent as the Location header when not empty (for a redirect).
  std::string location = {};
};

class LoopbackServer {
 public:
  // Listens on 127.0.0.1:port; listening() tells whether that worked.
  explicit LoopbackServer(unsigned short port);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  bool listening() const { return listener_ != INVALID_SOCKET; }
  // The reply to every request, or to requests for one path only.
  void Serve(Reply reply);
  void Serve(std::string path, Reply reply);
  // Requests answered so far, and the path of the last one.
  int requests() const;
  std::string lastPath() const;

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void loop();
  void answer(SOCKET client);

  unsigned short port_;
  SOCKET listener_ = INVALID_SOCKET;
  HANDLE thread_ = nullptr;
  volatile LONG stopping_ = 0;
  mutable CRITICAL_SECTION lock_;
  Reply reply_;
  std::vector<std::pair<std::string, Reply>> byPath_;
  int requests_ = 0;
  std::string lastPath_;
};

// The port of the store server this build talks to (0 when it names none).
unsigned short StorePort();

}  // namespace store::testing
