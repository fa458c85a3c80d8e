#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "base/LogFile.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TempFolder.h"
#include "update/InetHttp.h"

namespace {

constexpr wchar_t kLoopback[] = L"127.0.0.1";

// Every fetch goes to a server the test started on 127.0.0.1; no proxy may stand between.
void ForgetProxyEnvironment() {
  for (const wchar_t* name : {L"http_proxy", L"HTTP_PROXY", L"https_proxy", L"HTTPS_PROXY"}) {
    SetEnvironmentVariableW(name, nullptr);
    _wputenv((std::wstring(name) + L"=").c_str());
  }
}

// Text of a UTF-16LE log file without its byte-order mark.
std::wstring ReadLogText(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  if (bytes.size() < 2) return {};
  std::wstring text((bytes.size() - 2) / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto low = static_cast<unsigned char>(bytes[2 + 2 * i]);
    const auto high = static_cast<unsigned char>(bytes[3 + 2 * i]);
    text[i] = static_cast<wchar_t>(low | (high << 8));
  }
  return text;
}

// A body whose every byte depends on its position, so a misplaced chunk shows.
std::string PatternBody(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
  return body;
}

std::string BodyOf(const InetHttp_CL& http, int length) {
  return std::string(reinterpret_cast<const char*>(http.Body()), static_cast<size_t>(length));
}

class InetHttp : public ::testing::Test {
protected:
  void SetUp() override {
    ForgetProxyEnvironment();
    savedLogPath = theLog.logPath;
    theLog.logPath = folder.File(L"log.txt");
  }
  void TearDown() override { theLog.logPath = savedLogPath; }

  // Open, Connect and Request against the loopback port; true when all three succeeded.
  static bool Fetch(InetHttp_CL& http, unsigned short port, const std::wstring& path) {
    return http.Open() != nullptr && http.Connect(kLoopback, port) != nullptr &&
           http.Request(path) == 1;
  }

  std::wstring Log() const { return ReadLogText(theLog.logPath); }

  TempFolder folder;
  std::wstring savedLogPath;
};

TEST_F(InetHttp, FetchesOkResponseWithItsStatedLength) {
  LoopbackHttpServer server(LoopbackHttpServer::Response(200, "OK", "1.0.8"));
  ASSERT_TRUE(server.Started());
  InetHttp_CL http(theLog);
  ASSERT_TRUE(Fetch(http, server.Port(), L"Glimmerset/Version.txt"));
  EXPECT_EQ(http.StatusCode(), 200u);
  ASSERT_EQ(http.ContentLength(), 5);
  ASSERT_EQ(http.Read(http.ContentLength()), 5);
  EXPECT_EQ(BodyOf(http, 6), std::string("1.0.8\0", 6)) << "the body ends in a 0 byte";

  const std::string request = server.LastRequest();
  EXPECT_EQ(request.rfind("GET /Glimmerset/Version.txt HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("User-Agent: Microsoft Internet"), std::string::npos) << request;
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_EQ(Log(), L"") << "success logs nothing";
}

TEST_F(InetHttp, SameAddressIsFetchedFromTheServerEveryTime) {
  LoopbackHttpServer server({LoopbackHttpServer::Response(200, "OK", "1.0.7"),
                             LoopbackHttpServer::Response(200, "OK", "1.0.9")});
  for (const char* expected : {"1.0.7", "1.0.9"}) {
    InetHttp_CL http(theLog);
    ASSERT_TRUE(Fetch(http, server.Port(), L"/Glimmerset/Version.txt"));
    ASSERT_EQ(http.Read(http.ContentLength()), 5);
    EXPECT_EQ(BodyOf(http, 5), expected) << "nothing may come from a cache";
  }
  EXPECT_EQ(server.Connections(), 2);
}

TEST_F(InetHttp, ReadsErrorPageLikeAnyOtherBody) {
  const std::string page = "<html><body>Not Found</body></html>";
  LoopbackHttpServer server(LoopbackHttpServer::Response(404, "Not Found", page));
  InetHttp_CL http(theLog);
  ASSERT_TRUE(Fetch(http, server.Port(), L"/missing.txt"));
  EXPECT_EQ(http.StatusCode(), 404u);
  ASSERT_EQ(http.ContentLength(), static_cast<int>(page.size()));
  ASSERT_EQ(http.Read(http.ContentLength()), static_cast<int>(page.size()));
  EXPECT_EQ(BodyOf(http, static_cast<int>(page.size())), page);
}

TEST_F(InetHttp, WithoutContentLengthReadsUntilServerCloses) {
  LoopbackHttpServer server(LoopbackHttpServer::Response(200, "OK", "no length here", false));
  InetHttp_CL http(theLog);
  ASSERT_TRUE(Fetch(http, server.Port(), L"/v.txt"));
  EXPECT_EQ(http.ContentLength(), -1);
  ASSERT_EQ(http.Read(-1), 14);
  EXPECT_EQ(BodyOf(http, 15), std::string("no length here\0", 15));
}

TEST_F(InetHttp, EmptyBodyGivesSingleZeroByte) {
  for (const bool withLength : {true, false}) {
    LoopbackHttpServer server(LoopbackHttpServer::Response(200, "OK", "", withLength));
    InetHttp_CL http(theLog);
    ASSERT_TRUE(Fetch(http, server.Port(), L"/empty"));
    EXPECT_EQ(http.ContentLength(), withLength ? 0 : -1);
    EXPECT_EQ(http.Read(http.ContentLength()), 0);
    ASSERT_NE(http.Body(), nullptr);
    EXPECT_EQ(http.Body()[0], 0);
  }
}

TEST_F(InetHttp, BodyLargerThanOneChunkArrivesWhole) {
  const std::string big = PatternBody(3 * InetHttp_CL::kChunkSize + 4321);
  const int size = static_cast<int>(big.size());
  for (const bool withLength : {true, false}) {
    SCOPED_TRACE(withLength ? "with Content-Length" : "without Content-Length");
    LoopbackHttpServer server(LoopbackHttpServer::Response(200, "OK", big, withLength));
    InetHttp_CL http(theLog);
    ASSERT_TRUE(Fetch(http, server.Port(), L"/big.bin"));
    EXPECT_EQ(http.ContentLength(), withLength ? size : -1);
    ASSERT_EQ(http.Read(http.ContentLength()), size);
    EXPECT_TRUE(BodyOf(http, size) == big);
    EXPECT_EQ(http.Body()[size], 0);
  }
}

TEST_F(InetHttp, AskingForMoreThanTheBodyStopsAtItsEnd) {
  // The block is sized by the count asked for, so a count above the stated length cannot write
  // past it; the shorter delivery is returned for the caller to judge.
  LoopbackHttpServer server(LoopbackHttpServer::Response(200, "OK", "12345"));
  InetHttp_CL http(theLog);
  ASSERT_TRUE(Fetch(http, server.Port(), L"/v.txt"));
  ASSERT_EQ(http.Read(5000), 5);
  EXPECT_EQ(BodyOf(http, 6), std::string("12345\0", 6));
}

TEST_F(InetHttp, OddContentLengthIsReadSafelyAndQuickly) {
  const auto withLength = [](const std::string& length) {
    return "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + length + "\r\n\r\nabc";
  };
  {
    LoopbackHttpServer server(withLength("-5"));
    InetHttp_CL http(theLog);
    ASSERT_TRUE(Fetch(http, server.Port(), L"/v.txt"));
    EXPECT_EQ(http.ContentLength(), -5);
    EXPECT_EQ(http.Read(http.ContentLength()), 3) << "a negative length reads to the end";
    EXPECT_EQ(BodyOf(http, 4), std::string("abc\0", 4));
  }
  {
    LoopbackHttpServer server(withLength("99999999999"));
    InetHttp_CL http(theLog);
    ASSERT_TRUE(Fetch(http, server.Port(), L"/v.txt"));
    EXPECT_EQ(http.ContentLength(), INT_MAX) << "the text conversion saturates";
    // Reading must not touch the whole 2 GB block the length asks for (that took seconds).
    const ULONGLONG start = GetTickCount64();
    const int got = http.Read(http.ContentLength());
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_TRUE(got == 3 || got == 0) << got;
  }
}

TEST_F(InetHttp, ReadingAgainReplacesTheBody) {
  LoopbackHttpServer server(LoopbackHttpServer::Response(200, "OK", "abcdef"));
  InetHttp_CL http(theLog);
  ASSERT_TRUE(Fetch(http, server.Port(), L"/v.txt"));
  ASSERT_EQ(http.Read(4), 4);
  EXPECT_EQ(BodyOf(http, 5), std::string("abcd\0", 5));
  ASSERT_EQ(http.Read(-1), 2) << "the rest of the body";
  EXPECT_EQ(BodyOf(http, 3), std::string("ef\0", 3));
}

TEST_F(InetHttp, RefusedConnectionFailsTheRequestAndIsLogged) {
  const unsigned short closedPort = LoopbackHttpServer::ClosedPort();
  ASSERT_NE(closedPort, 0);
  InetHttp_CL http(theLog);
  ASSERT_NE(http.Open(), nullptr);
  ASSERT_NE(http.Connect(kLoopback, closedPort), nullptr) << "WinINet connects lazily";
  EXPECT_EQ(http.Request(L"/v.txt"), 0);
  EXPECT_EQ(http.StatusCode(), 0u);
  EXPECT_EQ(http.Read(-1), 0) << "reading after a failed request yields nothing";

  const std::wstring log = Log();
  // ERROR_INTERNET_CANNOT_CONNECT (12029) as an HRESULT, then WinINet's own text for it.
  const std::wstring expected = L" : HttpSendRequest()エラー = 0x80072efd : ";
  const size_t at = log.find(expected);
  ASSERT_NE(at, std::wstring::npos) << log.size();
  const size_t textStart = at + expected.size();
  const size_t lineEnd = log.find(L"\r\n", textStart);
  ASSERT_NE(lineEnd, std::wstring::npos);
  EXPECT_GT(lineEnd, textStart) << "the error's text is in the line";
  EXPECT_EQ(log.find(L"\r\n", lineEnd + 2), std::wstring::npos) << "one line only";
}

TEST_F(InetHttp, StepWithoutItsPredecessorFailsQuietlyWithLogLine) {
  InetHttp_CL http(theLog);
  EXPECT_EQ(http.Connect(kLoopback, 80), nullptr) << "no internet handle yet";
  EXPECT_EQ(http.Request(L"/v.txt"), 0) << "no connection";
  EXPECT_EQ(http.Read(10), 0);
  EXPECT_FALSE(http.SetTimeouts(1000));

  const std::wstring log = Log();
  EXPECT_NE(log.find(L"InternetConnect()エラー = 0x8007"), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"HttpOpenRequest()エラー = 0x8007"), std::wstring::npos) << log;
  EXPECT_EQ(log.find(L"HttpSendRequest()"), std::wstring::npos) << "nothing was sent";
}

TEST_F(InetHttp, TimeoutBoundsTheWaitForASilentServer) {
  LoopbackHttpServer server(LoopbackHttpServer::Response(200, "OK", "late"));
  server.SetReplyDelay(10000);
  InetHttp_CL http(theLog);
  ASSERT_NE(http.Open(), nullptr);
  ASSERT_TRUE(http.SetTimeouts(300));
  ASSERT_NE(http.Connect(kLoopback, server.Port()), nullptr);
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(http.Request(L"/v.txt"), 0);
  EXPECT_LT(GetTickCount64() - start, 5000u);
  const std::wstring log = Log();
  const size_t at = log.find(L"HttpSendRequest()エラー = 0x8007");
  EXPECT_NE(at, std::wstring::npos);
  // WinINet reports the time-out as such (12002) or as an aborted connection (12030, Wine).
  const std::wstring code = at == std::wstring::npos ? L"" : log.substr(at + 23, 10);
  EXPECT_TRUE(code == L"0x80072ee2" || code == L"0x80072efe") << log.size();
}

TEST_F(InetHttp, SameObjectServesASecondConnection) {
  LoopbackHttpServer first(LoopbackHttpServer::Response(200, "OK", "first"));
  LoopbackHttpServer second(LoopbackHttpServer::Response(200, "OK", "second!"));
  InetHttp_CL http(theLog);
  ASSERT_TRUE(Fetch(http, first.Port(), L"/a"));
  ASSERT_EQ(http.Read(http.ContentLength()), 5);
  ASSERT_NE(http.Connect(kLoopback, second.Port()), nullptr);
  ASSERT_EQ(http.Request(L"/b"), 1);
  ASSERT_EQ(http.Read(http.ContentLength()), 7);
  EXPECT_EQ(BodyOf(http, 8), std::string("second!\0", 8));
  EXPECT_EQ(first.Connections(), 1);
  EXPECT_EQ(second.Connections(), 1);
}

}  // namespace
