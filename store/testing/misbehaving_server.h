// A store server on 127.0.0.1 that misbehaves in one chosen way, for the
// tests of a refresh against a slow, silent or endless server. Every
// connection is served on a thread of its own, so that a connection left
// hanging does not hold up the next request; switched to Sound, it answers
// the next requests properly. Its destruction ends every connection.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace store::testing {

enum class Misbehaviour {
  Sound,             // a 200 answer with the body and its length
  Silent,            // takes the connection and the request, answers nothing
  HeadersThenStop,   // a 200 status and headers announcing a body, then nothing
  ByteASecond,       // headers, then the body one byte a second
  EndlessBody,       // headers without a length, then list lines for ever
  HugeLength,        // announces 10 GB, sends a few lines, then nothing
  CloseAtOnce,       // closes each connection as soon as it is taken
};

class MisbehavingServer {
 public:
  explicit MisbehavingServer(unsigned short port);
  ~MisbehavingServer();
  MisbehavingServer(const MisbehavingServer&) = delete;
  MisbehavingServer& operator=(const MisbehavingServer&) = delete;

  bool listening() const { return listener_ != INVALID_SOCKET; }
  // How the next connections are served (`body` for Sound only).
  void Behave(Misbehaviour how, std::string body = {});
  // Run on a connection's thread when its request has arrived.
  void OnRequest(std::function<void()> hook);
  int requests() const;
  // Body bytes sent so far over every connection.
  long long bodyBytesSent() const;

 private:
  struct Connection {
    MisbehavingServer* server;
    SOCKET socket;
    HANDLE thread;
  };
  static DWORD WINAPI AcceptMain(void* self);
  static DWORD WINAPI ConnectionMain(void* connection);
  void acceptLoop();
  void serve(SOCKET client);
  bool sendAll(SOCKET client, const std::string& data);
  // Waits `ms` or until the server stops; false when it stops.
  bool pause(DWORD ms);

  unsigned short port_;
  SOCKET listener_ = INVALID_SOCKET;
  HANDLE acceptThread_ = nullptr;
  HANDLE stop_ = nullptr;
  mutable CRITICAL_SECTION lock_;
  Misbehaviour how_ = Misbehaviour::Silent;
  std::string body_;
  std::function<void()> onRequest_;
  int requests_ = 0;
  long long sent_ = 0;
  std::vector<Connection*> connections_;
};

}  // namespace store::testing
