#include "update/InetHttp.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>

#include "base/LogFile.h"
#include "base/ShellHelpers.h"

namespace {

constexpr wchar_t kUserAgent[] = L"Microsoft Internet\u3000Explorer";
// Certificate errors are never ignored, and a redirect is not followed to wherever it points.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI;
// The body and its terminating 0 byte must stay countable in a signed 32-bit number.
constexpr size_t kLargestBody = INT_MAX - 1;
constexpr DWORD kContentLengthUnits = 128;

constexpr wchar_t kOpenFailed[] = L"InternetOpen()エラー = 0x%08x : %s";
constexpr wchar_t kConnectFailed[] = L"InternetConnect()エラー = 0x%08x : %s";
constexpr wchar_t kOpenRequestFailed[] = L"HttpOpenRequest()エラー = 0x%08x : %s";
constexpr wchar_t kSendRequestFailed[] = L"HttpSendRequest()エラー = 0x%08x : %s";

// The platform's own text for a WinINet error lives in wininet.dll, not in the system table.
std::wstring WinInetErrorText(DWORD error) {
  const HMODULE wininet = GetModuleHandleW(L"wininet.dll");
  if (wininet == nullptr) return {};
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS |
          FORMAT_MESSAGE_MAX_WIDTH_MASK,
      wininet, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0,
      nullptr);
  if (length == 0 || text == nullptr) return {};
  std::wstring result(text, length);
  LocalFree(text);
  return result;
}

// Logs the failure of the call just made, with its error as an HRESULT and the error's text.
void ReportFailure(LogFile& log, const wchar_t* message) {
  const DWORD error = GetLastError();
  const DWORD code = error > 0 ? ((error & 0xFFFF) | 0x80070000) : 0;
  std::wstring text = SystemErrorText(code);
  if (text.empty() && error >= INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST) {
    text = WinInetErrorText(error);
  }
  log.Write(message, code, text.c_str());
}

void CloseInternetHandle(HINTERNET& handle) {
  if (handle != nullptr) InternetCloseHandle(handle);
  handle = nullptr;
}

}  // namespace

InetHttp_CL::~InetHttp_CL() {
  // Children before their parents: closing a parent first would leave the children's
  // handle values stale.
  CloseInternetHandle(requestHandle);
  CloseInternetHandle(connectHandle);
  CloseInternetHandle(internetHandle);
  FreeBody();
}

HINTERNET InetHttp_CL::Open() {
  internetHandle = InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (internetHandle == nullptr) ReportFailure(log, kOpenFailed);
  return internetHandle;
}

HINTERNET InetHttp_CL::Connect(std::wstring host, INTERNET_PORT port, bool secureConnection) {
  CloseConnection();
  secure = secureConnection;
  connectHandle = InternetConnectW(internetHandle, host.c_str(), port, nullptr, nullptr,
                                   INTERNET_SERVICE_HTTP, 0, 0);
  if (connectHandle == nullptr) ReportFailure(log, kConnectFailed);
  ApplyTimeouts(connectHandle);
  return connectHandle;
}

int InetHttp_CL::Request(std::wstring path) {
  statusCode = 0;
  CloseRequest();
  requestHandle = HttpOpenRequestW(connectHandle, L"GET", path.c_str(), nullptr, nullptr, nullptr,
                                   kRequestFlags | (secure ? INTERNET_FLAG_SECURE : 0), 0);
  if (requestHandle == nullptr) {
    ReportFailure(log, kOpenRequestFailed);
    return 0;
  }
  ApplyTimeouts(requestHandle);
  if (HttpSendRequestW(requestHandle, nullptr, 0, nullptr, 0) != TRUE) {
    ReportFailure(log, kSendRequestFailed);
    return 0;
  }

  DWORD status = 0;
  DWORD statusSize = sizeof(status);
  HttpQueryInfoW(requestHandle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                 &statusSize, nullptr);
  statusCode = status;

  wchar_t lengthText[kContentLengthUnits] = {};
  DWORD lengthSize = sizeof(lengthText);
  if (HttpQueryInfoW(requestHandle, HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr)) {
    lengthText[kContentLengthUnits - 1] = L'\0';
    contentLength = static_cast<int>(wcstol(lengthText, nullptr, 10));
  } else {
    contentLength = -1;
  }
  return 1;
}

int InetHttp_CL::Read(int count) {
  FreeBody();
  // A negative count other than -1 can only come from a server's negative Content-Length;
  // it is read like an unknown length instead of sizing a block with it.
  return count < 0 ? ReadToEnd() : ReadCount(count);
}

// Gathers chunks until the server ends the body. A failed read yields an empty body even when
// earlier chunks had arrived.
int InetHttp_CL::ReadToEnd() {
  const std::unique_ptr<BYTE[]> chunk(new (std::nothrow) BYTE[kChunkSize]);
  if (!chunk) return 0;
  std::string gathered;
  for (;;) {
    DWORD delivered = 0;
    if (!InternetReadFile(requestHandle, chunk.get(), kChunkSize, &delivered) || PastDeadline() ||
        delivered > kChunkSize || gathered.size() + delivered > kLargestBody) {
      gathered.clear();
      break;
    }
    if (delivered == 0) break;
    gathered.append(reinterpret_cast<const char*>(chunk.get()), delivered);
  }
  body = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, gathered.size() + 1));
  if (body == nullptr) return 0;
  std::memcpy(body, gathered.data(), gathered.size());
  body[gathered.size()] = 0;
  return static_cast<int>(gathered.size());
}

// Reads up to count bytes into a block of count + 1 bytes. WinINet may hand a body over in
// several pieces, so it is asked again until count bytes have come or the body has ended.
// It is asked for at most one chunk at a time: a server's inflated Content-Length must not make
// the platform touch the whole of a huge, mostly unused block.
int InetHttp_CL::ReadCount(int count) {
  const DWORD wanted = static_cast<DWORD>(count);
  body = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(wanted) + 1));
  if (body == nullptr) return 0;
  body[0] = 0;
  body[wanted] = 0;
  DWORD total = 0;
  while (total < wanted) {
    DWORD delivered = 0;
    const DWORD asked = wanted - total < kChunkSize ? wanted - total : kChunkSize;
    if (!InternetReadFile(requestHandle, body + total, asked, &delivered) || PastDeadline()) return 0;
    if (delivered == 0 || delivered > asked) break;
    total += delivered;
  }
  body[total] = 0;
  return static_cast<int>(total);
}

bool InetHttp_CL::SetTimeouts(DWORD milliseconds) {
  if (internetHandle == nullptr) return false;
  timeoutMs = milliseconds;
  return ApplyTimeouts(internetHandle);
}

// Not every WinINet passes a session's time-outs on to its connections and requests, so each
// handle gets them itself.
bool InetHttp_CL::ApplyTimeouts(HINTERNET handle) const {
  if (timeoutMs == 0 || handle == nullptr) return true;
  bool ok = true;
  for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                             INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    DWORD value = timeoutMs;
    ok = InternetSetOptionW(handle, option, &value, sizeof(value)) && ok;
  }
  return ok;
}

void InetHttp_CL::CloseRequest() { CloseInternetHandle(requestHandle); }

void InetHttp_CL::CloseConnection() {
  CloseRequest();
  CloseInternetHandle(connectHandle);
}

void InetHttp_CL::FreeBody() {
  if (body != nullptr) GlobalFree(body);
  body = nullptr;
}
