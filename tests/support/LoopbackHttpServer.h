#pragma once
// A tiny HTTP server for tests: listens on 127.0.0.1 only, on a port the system picks, and
// answers every connection on its own thread with a canned response. Nothing else is ever
// contacted. Each connection gets the next response of the list; the last one repeats.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttpServer {
public:
  explicit LoopbackHttpServer(std::vector<std::string> cannedResponses);
  explicit LoopbackHttpServer(std::string cannedResponse);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool Started() const { return listener != INVALID_SOCKET; }
  unsigned short Port() const { return port; }
  // Connections accepted so far.
  int Connections() const { return connections.load(); }
  // Holds every answer back this long after the request has arrived (a slow server).
  void SetReplyDelay(DWORD milliseconds) { replyDelayMs = milliseconds; }
  // Sends every answer one byte at a time, this long apart (a server that trickles).
  void SetByteInterval(DWORD milliseconds) { byteIntervalMs = milliseconds; }
  // The request line and headers of the most recent connection.
  std::string LastRequest() const;

  // "HTTP/1.1 <status> <reason>" with "Connection: close", a Content-Length header when
  // withLength is true, and the body. Without the length the body ends where the server
  // closes the connection.
  static std::string Response(int status, const std::string& reason, const std::string& body,
                              bool withLength = true);
  // A loopback port on which nobody listens (taken and released at once).
  static unsigned short ClosedPort();

private:
  void Serve();
  void Answer(SOCKET client, const std::string& response);

  std::vector<std::string> responses;
  SOCKET listener = INVALID_SOCKET;
  unsigned short port = 0;
  std::atomic<bool> stopping{false};
  std::atomic<int> connections{0};
  std::atomic<DWORD> replyDelayMs{0};
  std::atomic<DWORD> byteIntervalMs{0};
  mutable std::mutex requestLock;
  std::string lastRequest;
  std::thread worker;
  bool winsockStarted = false;
};
