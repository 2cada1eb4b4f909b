#include "store/testing/loopback_server.h"

#include <ws2tcpip.h>

#include <algorithm>

#include "product/product.h"
#include "store/testing/loopback_listener.h"

namespace store::testing {

namespace {

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

bool SendAll(SOCKET s, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const int chunk = static_cast<int>(std::min<size_t>(data.size() - sent, 1 << 16));
    const int n = send(s, data.data() + sent, chunk, 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}


}  // namespace

LoopbackServer::LoopbackServer(unsigned short port) : port_(port) {
  InitializeCriticalSection(&lock_);
  listener_ = ListenOnLoopback(port);
  if (listener_ == INVALID_SOCKET) return;
  thread_ = CreateThread(nullptr, 0, &LoopbackServer::ThreadMain, this, 0, nullptr);
}

LoopbackServer::~LoopbackServer() {
  if (thread_) {
    InterlockedExchange(&stopping_, 1);
    WakeAccept(port_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (listener_ != INVALID_SOCKET) {
    closesocket(listener_);
    WSACleanup();
  }
  DeleteCriticalSection(&lock_);
}

void LoopbackServer::Serve(Reply reply) {
  EnterCriticalSection(&lock_);
  reply_ = std::move(reply);
  LeaveCriticalSection(&lock_);
}

void LoopbackServer::Serve(std::string path, Reply reply) {
  EnterCriticalSection(&lock_);
  byPath_.emplace_back(std::move(path), std::move(reply));
  LeaveCriticalSection(&lock_);
}

int LoopbackServer::requests() const {
  EnterCriticalSection(&lock_);
  const int n = requests_;
  LeaveCriticalSection(&lock_);
  return n;
}

std::string LoopbackServer::lastPath() const {
  EnterCriticalSection(&lock_);
  std::string path = lastPath_;
  LeaveCriticalSection(&lock_);
  return path;
}

DWORD WINAPI LoopbackServer::ThreadMain(void* self) {
  static_cast<LoopbackServer*>(self)->loop();
  return 0;
}

void LoopbackServer::loop() {
  for (;;) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (InterlockedCompareExchange(&stopping_, 0, 0)) {
      if (client != INVALID_SOCKET) closesocket(client);
      return;
    }
    if (client == INVALID_SOCKET) continue;
    answer(client);
    closesocket(client);
  }
}

void LoopbackServer::answer(SOCKET client) {
  const DWORD timeout = 10000;
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
             sizeof timeout);
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < (1 << 16)) {
    const int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<size_t>(n));
  }
  const size_t start = request.find(' ');
  const size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
  std::string path = end == std::string::npos ? "" : request.substr(start + 1, end - start - 1);

  EnterCriticalSection(&lock_);
  Reply reply = reply_;
  for (const auto& [p, r] : byPath_)
    if (p == path) reply = r;
  ++requests_;
  lastPath_ = std::move(path);
  LeaveCriticalSection(&lock_);
  if (reply.onRequest) reply.onRequest();

  const long long length =
      reply.announcedLength < 0 ? static_cast<long long>(reply.body.size()) : reply.announcedLength;
  const std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                           Reason(reply.status) +
                           "\r\nContent-Type: text/plain\r\nContent-Length: " +
                           std::to_string(length) +
                           (reply.location.empty() ? "" : "\r\nLocation: " + reply.location) +
                           "\r\nConnection: close\r\n\r\n";
  if (reply.delayMs) Sleep(static_cast<DWORD>(reply.delayMs));
  if (!SendAll(client, head)) return;
  if (reply.delayMs) Sleep(static_cast<DWORD>(reply.delayMs));
  if (!SendAll(client, reply.body)) return;
  shutdown(client, SD_SEND);
  // Let the client read to the end before the socket goes.
  while (recv(client, buffer, sizeof buffer, 0) > 0) {
  }
}

unsigned short StorePort() {
  const std::u16string_view server = brindle::kStoreServer;
  const size_t colon = server.rfind(u':');
  if (colon == std::u16string_view::npos) return 0;
  unsigned value = 0;
  for (char16_t c : server.substr(colon + 1)) {
    if (c < u'0' || c > u'9' || value > 65535) return 0;
    value = value * 10 + static_cast<unsigned>(c - u'0');
  }
  return value > 0 && value <= 65535 ? static_cast<unsigned short>(value) : 0;
}

}  // namespace store::testing
