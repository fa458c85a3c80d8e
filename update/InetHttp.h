#pragma once
// A thin synchronous HTTP GET over WinINet: Open, Connect, Request, Read, in that order, each
// only after the previous one succeeded, all on the calling thread. Every failure of Open,
// Connect or Request is written to the log it was given, with the platform's error text.
#include <windows.h>
#include <wininet.h>

#include <string>

class LogFile;

class InetHttp_CL {
public:
  // Bytes asked of WinINet per call when the body's length is not known.
  static constexpr DWORD kChunkSize = 1048576;

  explicit InetHttp_CL(LogFile& log) : log(log) {}
  virtual ~InetHttp_CL();
  InetHttp_CL(const InetHttp_CL&) = delete;
  InetHttp_CL& operator=(const InetHttp_CL&) = delete;

  // The internet handle, or null on failure.
  HINTERNET Open();
  // A connection to host (a name without scheme or path); any previous connection, with its
  // request, is closed first. Null on failure. The port is 80 unless a caller names another.
  // A secure connection speaks HTTPS: a certificate WinINet does not trust fails the request.
  HINTERNET Connect(std::wstring host, INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT, bool secure = false);
  // Sends a GET for path; 1 on success (for any HTTP status), 0 on failure. On success
  // StatusCode() and ContentLength() describe the response. A redirect is not followed: it is
  // answered with its own 3xx status.
  int Request(std::wstring path);
  // Reads the body: count bytes (normally ContentLength()), or everything up to the end of the
  // response when count is negative. Returns the number of bytes obtained; Body() then holds
  // them followed by a 0 byte. A failed read gives 0.
  int Read(int count);

  // Optional limit, in milliseconds, on connecting, sending and receiving, for the internet
  // handle and every connection and request made after the call. Only after Open. False when
  // WinINet refuses it. Without it WinINet's default time-outs apply.
  bool SetTimeouts(DWORD milliseconds);
  // A limit on the whole of every later Read, from now: a server that hands its body over a
  // byte at a time cannot keep the reader past it. A Read that runs over it gives 0.
  void SetReadDeadline(DWORD milliseconds) { readDeadline = GetTickCount64() + milliseconds; }

  // Valid until the next Read or the destruction of the object; null before a Read.
  const BYTE* Body() const { return body; }
  // The Content-Length header's value, -1 when it is absent or unreadable.
  int ContentLength() const { return contentLength; }
  // The response's status code, 0 before a request or when it cannot be read.
  DWORD StatusCode() const { return statusCode; }

private:
  int ReadToEnd();
  int ReadCount(int count);
  bool PastDeadline() const { return readDeadline != 0 && GetTickCount64() > readDeadline; }
  void CloseRequest();
  void CloseConnection();
  void FreeBody();
  bool ApplyTimeouts(HINTERNET handle) const;

  LogFile& log;
  HINTERNET internetHandle = nullptr;
  HINTERNET connectHandle = nullptr;
  HINTERNET requestHandle = nullptr;
  BYTE* body = nullptr;
  int contentLength = 0;
  DWORD statusCode = 0;
  DWORD timeoutMs = 0;  // 0: WinINet's defaults
  bool secure = false;
  ULONGLONG readDeadline = 0;  // 0: none
};
