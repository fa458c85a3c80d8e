#include "tests/support/LoopbackHttpServer.h"

#include <ws2tcpip.h>

#include <utility>

namespace {

constexpr DWORD kRequestWaitMs = 5000;
// How long a finished connection waits for the client to hang up before it is closed.
constexpr DWORD kDrainWaitMs = 500;

sockaddr_in LoopbackAddress(unsigned short port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

unsigned short BoundPort(SOCKET s) {
  sockaddr_in bound{};
  int length = sizeof(bound);
  if (getsockname(s, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
  return ntohs(bound.sin_port);
}

// Reads until the blank line that ends the request headers (or the peer stops sending).
std::string ReadRequestHead(SOCKET client) {
  const DWORD timeout = kRequestWaitMs;
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
             sizeof(timeout));
  std::string head;
  char chunk[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    const int got = recv(client, chunk, sizeof(chunk), 0);
    if (got <= 0) break;
    head.append(chunk, static_cast<size_t>(got));
  }
  return head;
}

bool SendAll(SOCKET client, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const size_t left = bytes.size() - sent;
    const int piece = static_cast<int>(left < 65536 ? left : 65536);
    const int n = send(client, bytes.data() + sent, piece, 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(std::string cannedResponse)
    : LoopbackHttpServer(std::vector<std::string>{std::move(cannedResponse)}) {}

LoopbackHttpServer::LoopbackHttpServer(std::vector<std::string> cannedResponses)
    : responses(std::move(cannedResponses)) {
  WSADATA data;
  winsockStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  if (!winsockStarted) return;
  listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return;
  const sockaddr_in address = LoopbackAddress(0);
  if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, 8) != 0 || (port = BoundPort(listener)) == 0) {
    closesocket(listener);
    listener = INVALID_SOCKET;
    return;
  }
  worker = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping = true;
  if (worker.joinable()) worker.join();
  if (listener != INVALID_SOCKET) closesocket(listener);
  if (winsockStarted) WSACleanup();
}

std::string LoopbackHttpServer::LastRequest() const {
  std::lock_guard<std::mutex> guard(requestLock);
  return lastRequest;
}

void LoopbackHttpServer::Serve() {
  size_t next = 0;
  while (!stopping) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval wait{0, 50 * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    const SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    ++connections;
    const std::string& response = responses.empty() ? std::string() : responses[next];
    if (next + 1 < responses.size()) ++next;
    Answer(client, response);
  }
}

void LoopbackHttpServer::Answer(SOCKET client, const std::string& response) {
  const std::string head = ReadRequestHead(client);
  {
    std::lock_guard<std::mutex> guard(requestLock);
    lastRequest = head;
  }
  const ULONGLONG replyAt = GetTickCount64() + replyDelayMs.load();
  while (!stopping && GetTickCount64() < replyAt) Sleep(10);
  if (byteIntervalMs.load() == 0) {
    SendAll(client, response);
  } else {
    for (size_t i = 0; i < response.size() && !stopping; ++i) {
      if (!SendAll(client, response.substr(i, 1))) break;
      Sleep(byteIntervalMs.load());
    }
  }
  // Ending our side marks the end of a body that has no Content-Length.
  shutdown(client, SD_SEND);
  const DWORD drainWait = kDrainWaitMs;
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&drainWait),
             sizeof(drainWait));
  char drain[1024];
  while (recv(client, drain, sizeof(drain), 0) > 0) {
  }
  closesocket(client);
}

std::string LoopbackHttpServer::Response(int status, const std::string& reason,
                                         const std::string& body, bool withLength) {
  std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
  text += "Content-Type: text/plain\r\n";
  text += "Connection: close\r\n";
  if (withLength) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  text += "\r\n";
  text += body;
  return text;
}

unsigned short LoopbackHttpServer::ClosedPort() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
  unsigned short freed = 0;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET) {
    const sockaddr_in address = LoopbackAddress(0);
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
      freed = BoundPort(s);
    }
    closesocket(s);
  }
  WSACleanup();
  return freed;
}
