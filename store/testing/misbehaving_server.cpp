#include "store/testing/misbehaving_server.h"

#include <algorithm>

#include "store/testing/loopback_listener.h"

namespace store::testing {

namespace {

std::string Head(const std::string& length) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n" +
         (length.empty() ? std::string() : "Content-Length: " + length + "\r\n") +
         "Connection: close\r\n\r\n";
}

// Lines of a list, so that what arrives looks like one until it ends.
std::string ListLines(size_t bytes) {
  std::string lines;
  for (int i = 0; lines.size() < bytes; ++i)
    lines += "../public_html/appstore/endless" + std::to_string(i) + ".zip\n";
  return lines;
}

}  // namespace

MisbehavingServer::MisbehavingServer(unsigned short port) : port_(port) {
  InitializeCriticalSection(&lock_);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  listener_ = ListenOnLoopback(port);
  if (listener_ == INVALID_SOCKET) return;
  acceptThread_ = CreateThread(nullptr, 0, &MisbehavingServer::AcceptMain, this, 0, nullptr);
}

MisbehavingServer::~MisbehavingServer() {
  SetEvent(stop_);
  if (acceptThread_) {
    WakeAccept(port_);
    WaitForSingleObject(acceptThread_, INFINITE);
    CloseHandle(acceptThread_);
  }
  // Unblock every connection still sending or receiving, then wait for it.
  EnterCriticalSection(&lock_);
  std::vector<Connection*> connections = connections_;
  for (Connection* c : connections) shutdown(c->socket, SD_BOTH);
  LeaveCriticalSection(&lock_);
  for (Connection* c : connections) {
    WaitForSingleObject(c->thread, INFINITE);
    CloseHandle(c->thread);
    closesocket(c->socket);
    delete c;
  }
  if (listener_ != INVALID_SOCKET) {
    closesocket(listener_);
    WSACleanup();
  }
  CloseHandle(stop_);
  DeleteCriticalSection(&lock_);
}

void MisbehavingServer::Behave(Misbehaviour how, std::string body) {
  EnterCriticalSection(&lock_);
  how_ = how;
  body_ = std::move(body);
  LeaveCriticalSection(&lock_);
}

void MisbehavingServer::OnRequest(std::function<void()> hook) {
  EnterCriticalSection(&lock_);
  onRequest_ = std::move(hook);
  LeaveCriticalSection(&lock_);
}

int MisbehavingServer::requests() const {
  EnterCriticalSection(&lock_);
  const int n = requests_;
  LeaveCriticalSection(&lock_);
  return n;
}

long long MisbehavingServer::bodyBytesSent() const {
  EnterCriticalSection(&lock_);
  const long long n = sent_;
  LeaveCriticalSection(&lock_);
  return n;
}

DWORD WINAPI MisbehavingServer::AcceptMain(void* self) {
  static_cast<MisbehavingServer*>(self)->acceptLoop();
  return 0;
}

DWORD WINAPI MisbehavingServer::ConnectionMain(void* connection) {
  auto* c = static_cast<Connection*>(connection);
  c->server->serve(c->socket);
  return 0;
}

void MisbehavingServer::acceptLoop() {
  for (;;) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) {
      if (client != INVALID_SOCKET) closesocket(client);
      return;
    }
    if (client == INVALID_SOCKET) continue;
    auto* c = new Connection{this, client, nullptr};
    EnterCriticalSection(&lock_);
    c->thread = CreateThread(nullptr, 0, &MisbehavingServer::ConnectionMain, c, 0, nullptr);
    if (c->thread) {
      connections_.push_back(c);
    } else {
      closesocket(client);
      delete c;
    }
    LeaveCriticalSection(&lock_);
  }
}

bool MisbehavingServer::pause(DWORD ms) { return WaitForSingleObject(stop_, ms) == WAIT_TIMEOUT; }

bool MisbehavingServer::sendAll(SOCKET client, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return false;
    const int n = send(client, data.data() + done,
                       static_cast<int>(std::min<size_t>(data.size() - done, 1 << 16)), 0);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void MisbehavingServer::serve(SOCKET client) {
  EnterCriticalSection(&lock_);
  const Misbehaviour how = how_;
  const std::string body = body_;
  LeaveCriticalSection(&lock_);
  if (how == Misbehaviour::CloseAtOnce) {
    EnterCriticalSection(&lock_);
    ++requests_;
    LeaveCriticalSection(&lock_);
    shutdown(client, SD_BOTH);
    return;
  }
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < (1 << 16)) {
    const int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<size_t>(n));
  }
  EnterCriticalSection(&lock_);
  ++requests_;
  const std::function<void()> hook = onRequest_;
  LeaveCriticalSection(&lock_);
  if (hook) hook();

  // Counts body bytes as they go, so that a test can see how much went.
  auto sendBody = [&](const std::string& data) {
    if (!sendAll(client, data)) return false;
    EnterCriticalSection(&lock_);
    sent_ += static_cast<long long>(data.size());
    LeaveCriticalSection(&lock_);
    return true;
  };
  switch (how) {
    case Misbehaviour::Sound:
      if (sendAll(client, Head(std::to_string(body.size()))) && sendBody(body)) {
        shutdown(client, SD_SEND);
        // Let the client read to the end before the socket goes.
        while (recv(client, buffer, sizeof buffer, 0) > 0) {
        }
      }
      return;
    case Misbehaviour::Silent:
      pause(INFINITE);
      return;
    case Misbehaviour::HeadersThenStop:
      if (sendAll(client, Head("100000"))) pause(INFINITE);
      return;
    case Misbehaviour::ByteASecond: {
      const std::string lines = ListLines(100000);
      if (!sendAll(client, Head(std::to_string(lines.size())))) return;
      for (char c : lines)
        if (!sendBody(std::string(1, c)) || !pause(1000)) return;
      return;
    }
    case Misbehaviour::EndlessBody: {
      const std::string lines = ListLines(1 << 16);
      if (!sendAll(client, Head(""))) return;
      while (sendBody(lines)) {
      }
      return;
    }
    case Misbehaviour::HugeLength:
      if (sendAll(client, Head("10737418240")) && sendBody(ListLines(200))) pause(INFINITE);
      return;
    case Misbehaviour::CloseAtOnce:
      return;
  }
}

}  // namespace store::testing
