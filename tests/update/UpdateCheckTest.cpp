#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/HighDpiHelper.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"
#include "update/UpdateCheck.h"
#include "update/UpdateDialog.h"

namespace {

constexpr char kSite[] = "https://www.glimmerset.example/download/";
constexpr wchar_t kSiteWide[] = L"https://www.glimmerset.example/download/";

// The bytes live at the very end of a readable page followed by one that cannot be read, so
// reading one byte past them stops the test program.
class FencedBytes {
public:
  explicit FencedBytes(const std::string& bytes) {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t readable = (bytes.size() + page - 1) / page * page + page;
    base = static_cast<BYTE*>(VirtualAlloc(nullptr, readable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD previous = 0;
    VirtualProtect(base + readable, page, PAGE_NOACCESS, &previous);
    data = base + readable - bytes.size();
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    size = static_cast<int>(bytes.size());
  }
  ~FencedBytes() { VirtualFree(base, 0, MEM_RELEASE); }
  FencedBytes(const FencedBytes&) = delete;
  FencedBytes& operator=(const FencedBytes&) = delete;

  BYTE* base = nullptr;
  BYTE* data = nullptr;
  int size = 0;
};

VersionFile ParseFenced(const std::string& bytes) {
  const FencedBytes fenced(bytes);
  return ParseVersionFile(fenced.data, fenced.size);
}

// A version file as the maker publishes it: the version padded with 0 bytes to offset 9,
// the download address, a line end.
std::string VersionBody(const std::string& version, const std::string& address = kSite) {
  std::string body = version;
  body.resize(9, '\0');
  return body + address + "\r\n";
}

std::string Ok(const std::string& body) { return LoopbackHttpServer::Response(200, "OK", body); }

int Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wDay;
}

int TodayDate() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wYear * 10000 + now.wMonth * 100 + now.wDay;
}

// What the stand-in user saw and did.
struct Recorder {
  std::vector<std::wstring> asked;
  std::vector<int> inProgressWhileAsked;
  std::vector<std::wstring> opened;
  int answer = kAnswerLater;
  std::function<void()> whileAsked;
};
Recorder* recorder = nullptr;

int RecordAnswer(const std::wstring& latestVersion) {
  recorder->asked.push_back(latestVersion);
  recorder->inProgressWhileAsked.push_back(UpdateCheck_CL::checkInProgress);
  // Runs once; a nested check inside it is answered without it.
  const std::function<void()> action = std::move(recorder->whileAsked);
  recorder->whileAsked = nullptr;
  if (action) action();
  return recorder->answer;
}

void RecordOpen(std::wstring address) { recorder->opened.push_back(address); }

// Each test on a fresh INI file and log; every fetch goes to a server the test started on
// 127.0.0.1 (no proxy in between), the user and the browser are stand-ins.
class UpdateCheck : public ::testing::Test {
protected:
  void SetUp() override {
    for (const wchar_t* name : {L"http_proxy", L"HTTP_PROXY"}) SetEnvironmentVariableW(name, nullptr);
    savedIniPath = theIniFile.filePath;
    savedLogPath = theLog.logPath;
    iniPath = folder.File(L"Glimmerset.ini");
    theIniFile.SetFileName(iniPath);
    theLog.logPath = folder.File(L"log.txt");
    recorder = &record;
    UpdateCheck_CL::checkInProgress = 0;
  }
  void TearDown() override {
    recorder = nullptr;
    theIniFile.filePath = savedIniPath;
    theLog.logPath = savedLogPath;
  }

  // One start's check against the loopback port, answered by the recorder.
  void RunCheck(unsigned short port, HWND owner = nullptr, bool standInUser = true) {
    UpdateCheck_CL check(theIniFile, theLog, UpdateEndpoint::PlainLoopback(port), kVersionFilePath, &dialogHandle);
    check.limitMs = checkLimitMs;
    if (standInUser) check.answerOverride = RecordAnswer;
    check.openPage = RecordOpen;
    check.Check(kUpdateCaption, kInstalledVersion, owner);
  }

  int Ini(const wchar_t* key) const {
    return static_cast<int>(GetPrivateProfileIntW(L"VERSION", key, -1, iniPath.c_str()));
  }
  void SetIni(const wchar_t* key, int value) const { theIniFile.WriteInt(L"VERSION", key, value); }
  // The settings file written again without the date of the last check.
  void ForgetLastDay() const {
    const std::string bytes = ReadFileBytes(iniPath);
    if (bytes.size() < 2) return;
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::wstring kept;
    for (size_t start = 0; start < text.size();) {
      const size_t lineEnd = text.find(L'\n', start);
      const size_t next = lineEnd == std::wstring::npos ? text.size() : lineEnd + 1;
      const std::wstring line = text.substr(start, next - start);
      if (line.rfind(L"last_day=", 0) != 0 && line.rfind(L"last_date=", 0) != 0) kept += line;
      start = next;
    }
    WriteFileBytes(iniPath, bytes.substr(0, 2) + std::string(reinterpret_cast<const char*>(kept.data()), kept.size() * 2));
  }
  std::uintmax_t LogSize() const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(theLog.logPath.c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
  }

  TempFolder folder;
  std::wstring iniPath;
  Recorder record;
  HWND dialogHandle = nullptr;
  DWORD checkLimitMs = UpdateCheck_CL::kFetchLimitMs;

private:
  std::wstring savedIniPath;
  std::wstring savedLogPath;
};

}  // namespace

// ---- the version file ----

TEST(VersionFile, ReadsVersionAndAddressFromTheirPlaces) {
  const VersionFile file = ParseFenced(VersionBody("1.0.8"));
  ASSERT_TRUE(file.valid);
  EXPECT_EQ(file.latestVersion, L"1.0.8");
  EXPECT_EQ(file.siteAddress, kSiteWide) << "the line end is not part of it";

  // Seven bytes at most; bytes 7 and 8 are not used.
  const VersionFile longer = ParseFenced("1.0.7.12XYhttp://a/\r\n");
  EXPECT_EQ(longer.latestVersion, L"1.0.7.1");
  EXPECT_EQ(longer.siteAddress, L"Yhttp://a/");

  const VersionFile page = ParseFenced("<html><body>Not Found</body></html>\r\n");
  ASSERT_TRUE(page.valid);
  EXPECT_EQ(page.latestVersion, L"0.0.0.0") << "an HTML page names no version";
}

TEST(VersionFile, ShortFilesAreRefusedWithoutReadingPastTheirEnd) {
  // Each body sits right before an unreadable page: a read past its end stops the program.
  for (const std::string& body : {std::string(), std::string("1"), std::string("1.0.8"),
                                  std::string("1.0.8\0\0\0\0h", 10), std::string("1.0.7.1.0.")}) {
    SCOPED_TRACE(body.size());
    EXPECT_FALSE(ParseFenced(body).valid) << "no address range: a failed fetch";
  }
  EXPECT_FALSE(ParseVersionFile(nullptr, 20).valid);

  const VersionFile shortest = ParseFenced(std::string("1.0.8\0\0\0\0\r\n", 11));
  ASSERT_TRUE(shortest.valid);
  EXPECT_EQ(shortest.latestVersion, L"1.0.8");
  EXPECT_EQ(shortest.siteAddress, L"");

  // Eleven bytes without any 0: the version stops at seven.
  const VersionFile dense = ParseFenced("123456789\r\n");
  EXPECT_EQ(dense.latestVersion, L"1234567");
  EXPECT_EQ(dense.siteAddress, L"");
}

TEST(VersionText, ComparesCodeUnitsNotNumbers) {
  EXPECT_LT(CompareVersionText(L"1.0.10", L"1.0.7"), 0);
  EXPECT_EQ(CompareVersionText(L"1.0.7", L"1.0.7"), 0);
  EXPECT_LT(CompareVersionText(L"1.0.7", L"1.0.8"), 0);
  EXPECT_LT(CompareVersionText(L"1.0.7", L"1.0.7\r\n"), 0) << "a longer text with our prefix is newer";
  EXPECT_LT(CompareVersionText(L"1.0.7", L"1.0.7.0"), 0);
  EXPECT_GT(CompareVersionText(L"1.0.7", L"0.0.0.0"), 0);
  EXPECT_LT(CompareVersionText(L"1.0.7", std::wstring(1, static_cast<wchar_t>(0xFF80))), 0)
      << "units compare unsigned";
}

// ---- the check against a loopback server ----

TEST_F(UpdateCheck, NewerVersionIsAskedAndTheAnswerDecidesWhatIsKept) {
  struct Case {
    int answer;
    bool opens;
    bool storesDay;
  };
  for (const Case c : {Case{kAnswerOpenSite, true, false}, Case{kAnswerLater, false, true},
                       Case{kAnswerClosed, false, false}}) {
    SCOPED_TRACE(c.answer);
    ForgetLastDay();
    record = Recorder{};
    record.answer = c.answer;
    LoopbackHttpServer server(Ok(VersionBody("1.0.8")));
    RunCheck(server.Port());

    ASSERT_EQ(record.asked.size(), 1u);
    EXPECT_EQ(record.asked[0], L"1.0.8");
    EXPECT_EQ(record.inProgressWhileAsked[0], 1);
    EXPECT_EQ(UpdateCheck_CL::checkInProgress, 0) << "cleared after the question";
    EXPECT_EQ(record.opened, c.opens ? std::vector<std::wstring>{kSiteWide}
                                     : std::vector<std::wstring>{});
    EXPECT_EQ(Ini(L"last_day"), c.storesDay ? Today() : -1);
    EXPECT_EQ(Ini(L"last_date"), c.storesDay ? TodayDate() : -1) << "the whole date beside the day";
    EXPECT_EQ(server.LastRequest().rfind("GET /Glimmerset/Version.txt HTTP/1.1\r\n", 0), 0u);
  }
}

TEST_F(UpdateCheck, CurrentOlderOrErrorPageCountsAsDoneForTheDay) {
  const std::vector<std::string> answers = {
      Ok(VersionBody("1.0.7")),
      Ok(VersionBody("1.0.10")),
      Ok(VersionBody("1.0.6")),
      LoopbackHttpServer::Response(404, "Not Found", "<html><body>404 Not Found</body></html>\r\n"),
      // A plain-text error page must not read as a version "Interna" newer than ours.
      LoopbackHttpServer::Response(500, "Internal Server Error", "Internal Server Error\r\n"),
      LoopbackHttpServer::Response(404, "Not Found", "Gone"),
  };
  for (const std::string& answer : answers) {
    SCOPED_TRACE(answer);
    ForgetLastDay();
    LoopbackHttpServer server(answer);
    RunCheck(server.Port());
    EXPECT_TRUE(record.asked.empty());
    EXPECT_EQ(Ini(L"last_day"), Today());
    EXPECT_EQ(server.Connections(), 1);
  }
  EXPECT_TRUE(record.opened.empty());
}

TEST_F(UpdateCheck, FailedFetchLeavesNoTraceAndAsksNothing) {
  const std::vector<std::string> answers = {
      LoopbackHttpServer::Response(200, "OK", VersionBody("1.0.8"), false),  // no Content-Length
      Ok("1.0.8"),                                                          // 5 bytes: no address
      Ok(""),
      Ok(VersionBody("1.0.8", std::string(70000, 'a'))),  // far too large for a version file
      // Announces more than it sends: a short read.
      "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 40\r\n\r\n" + VersionBody("1.0.8", "x"),
  };
  for (const std::string& answer : answers) {
    SCOPED_TRACE(answer.substr(0, 80));
    LoopbackHttpServer server(answer);
    RunCheck(server.Port());
    EXPECT_EQ(server.Connections(), 1);
  }
  const unsigned short closedPort = LoopbackHttpServer::ClosedPort();
  ASSERT_NE(closedPort, 0);
  RunCheck(closedPort);

  EXPECT_TRUE(record.asked.empty());
  EXPECT_TRUE(record.opened.empty());
  EXPECT_EQ(Ini(L"last_day"), -1) << "the next start checks again";
}

TEST_F(UpdateCheck, NotifyAndTheDayRuleKeepItOffTheNetworkUnlessForced) {
  LoopbackHttpServer server(Ok(VersionBody("1.0.7")));
  SetIni(L"notify", 1);
  SetIni(L"force", 1);
  RunCheck(server.Port());
  EXPECT_EQ(server.Connections(), 0) << "notify 1 wins over force";

  SetIni(L"notify", 0);
  SetIni(L"force", 0);
  SetIni(L"last_day", Today());
  SetIni(L"last_date", TodayDate());
  RunCheck(server.Port());
  EXPECT_EQ(server.Connections(), 0) << "same date, no force";

  SetIni(L"force", 2);
  RunCheck(server.Port());
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_TRUE(record.asked.empty()) << "force 2 still compares";

  SetIni(L"force", 1);
  record.answer = kAnswerClosed;
  RunCheck(server.Port());
  EXPECT_EQ(server.Connections(), 2);
  EXPECT_EQ(record.asked, std::vector<std::wstring>{L"1.0.7"}) << "force 1 asks without a newer version";

  SetIni(L"force", 0);
  SetIni(L"last_date", TodayDate() - 100);
  RunCheck(server.Port());
  EXPECT_EQ(server.Connections(), 3) << "the same day of another month checks";
  EXPECT_EQ(Ini(L"last_date"), TodayDate());

  ForgetLastDay();
  SetIni(L"last_day", Today());
  RunCheck(server.Port());
  EXPECT_EQ(server.Connections(), 4) << "an older version's day alone does not tell the month";
}

TEST_F(UpdateCheck, SecondCheckWhileTheQuestionIsOpenReturnsAtOnce) {
  LoopbackHttpServer server(Ok(VersionBody("1.0.8")));
  const unsigned short port = server.Port();
  int nestedConnections = -1;
  record.whileAsked = [&] {
    RunCheck(port);
    nestedConnections = server.Connections();
  };
  RunCheck(port);
  EXPECT_EQ(nestedConnections, 1);
  EXPECT_EQ(record.asked.size(), 1u);
}

TEST_F(UpdateCheck, SilentServerHoldsTheStartOnlyUntilTheTimeout) {
  LoopbackHttpServer server(Ok(VersionBody("1.0.8")));
  server.SetReplyDelay(10000);
  UpdateCheck_CL check(theIniFile, theLog, UpdateEndpoint::PlainLoopback(server.Port()), kVersionFilePath, nullptr);
  EXPECT_GT(check.timeoutMs, 0u) << "the program's check is bounded";
  check.timeoutMs = 300;
  check.answerOverride = RecordAnswer;
  check.openPage = RecordOpen;
  const ULONGLONG start = GetTickCount64();
  check.Check(kUpdateCaption, kInstalledVersion, nullptr);
  EXPECT_LT(GetTickCount64() - start, 5000u);
  EXPECT_TRUE(record.asked.empty());
  EXPECT_EQ(Ini(L"last_day"), -1);
}

// Whatever the network hands over, the user is asked nothing, nothing the server named is
// opened, and the log says why.
TEST_F(UpdateCheck, BadAnswersAskNothingAndOpenNoAddressOfTheirs) {
  SetIni(L"force", 1);  // would ask even without a newer version
  checkLimitMs = 600;
  struct Bad {
    const char* what;
    std::string answer;
    DWORD byteIntervalMs;
  };
  const std::vector<Bad> answers = {
      {"empty", Ok(""), 0},
      {"an HTML page", Ok("<!DOCTYPE html><html><body>Wi-Fi login</body></html>\r\n"), 0},
      {"too long", Ok(VersionBody("1.0.8", "https://www.glimmerset.example/" + std::string(3000, 'a'))), 0},
      {"not ASCII", Ok(VersionBody("1.0.8", "https://www.glimmerset.example/\xE3\x81\x82")), 0},
      {"a 0 byte in the address", Ok(VersionBody("1.0.8", std::string("https://www.glimmerset.example/\0x", 33))), 0},
      {"trickled byte by byte", Ok(VersionBody("1.0.8")), 25},
      {"a redirect to another host",
       "HTTP/1.1 302 Found\r\nLocation: http://elsewhere.example/v.txt\r\nConnection: close\r\n"
       "Content-Length: 0\r\n\r\n",
       0},
  };
  for (const Bad& bad : answers) {
    SCOPED_TRACE(bad.what);
    LoopbackHttpServer server(bad.answer);
    server.SetByteInterval(bad.byteIntervalMs);
    const std::uintmax_t logBefore = LogSize();
    const ULONGLONG start = GetTickCount64();
    RunCheck(server.Port());
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_TRUE(record.asked.empty());
    EXPECT_GT(LogSize(), logBefore) << "logged";
    EXPECT_EQ(server.Connections(), 1) << "the redirect is not followed";
  }
  EXPECT_TRUE(record.opened.empty());

  // An address that is not an https:// address on the maker's host opens the support page.
  const std::wstring bad[] = {
      L"",
      L"http://www.glimmerset.example/download/",
      L"file:///C:/Windows/System32/calc.exe",
      L"C:\\Windows\\System32\\calc.exe",
      L"\\\\evil\\share\\setup.exe",
      L"javascript:alert(1)",
      L"HTTPS://www.glimmerset.example/",
      L"https://evil.example/",
      L"https://www.glimmerset.example.evil.example/",
      L"https://www.glimmerset.example@evil.example/",
      L"https://www.glimmerset.example:8443/",
      L"https://www.glimmerset.example/\" calc.exe",
      L"https://www.glimmerset.example/a b",
      L"https://www.glimmerset.example/\\..\\calc.exe",
      L"https://www.glimmerset.example/" + std::wstring(2000, L'a'),
  };
  for (const std::wstring& address : bad) {
    SCOPED_TRACE(address.substr(0, 60));
    std::wstring reason;
    EXPECT_EQ(CheckedSiteAddress(address, &reason), L"");
    EXPECT_FALSE(reason.empty());
  }
  EXPECT_EQ(CheckedSiteAddress(L"https://WWW.glimmerset.example/dl/?v=1.0.8#top", nullptr),
            L"https://WWW.glimmerset.example/dl/?v=1.0.8#top");

  SetIni(L"force", 0);
  ForgetLastDay();
  record.answer = kAnswerOpenSite;
  LoopbackHttpServer server(Ok(VersionBody("1.0.8", "https://evil.example/setup.exe")));
  const std::uintmax_t logBefore = LogSize();
  RunCheck(server.Port());
  EXPECT_EQ(record.asked.size(), 1u);
  EXPECT_EQ(record.opened, std::vector<std::wstring>{SupportSiteAddress()});
  EXPECT_EQ(SupportSiteAddress().rfind(L"https://www.glimmerset.example/", 0), 0u);
  EXPECT_GT(LogSize(), logBefore);
}

// ---- the question itself: notice window and message box ----

TEST_F(UpdateCheck, NoticeWindowAsksOverItsOwnerAndEndsByItsButtons) {
  const HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_CAPTION, 100, 100, 700, 500,
                                     nullptr, nullptr, nullptr, nullptr);
  LoopbackHttpServer server(Ok(VersionBody("1.0.8")));

  // "　サイトへ移動する　": the site opens, the day is not stored. The window is inspected first.
  int inProgress = -1;
  RECT window{}, client{}, open{}, later{};
  std::wstring title, openText, laterText;
  bool showsQuestion = false;
  LONG style = 0;
  const auto inClient = [](HWND control, HWND dialog) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  {
    ModalScript script([&] { return dialogHandle; }, [&](HWND dialog) {
      inProgress = UpdateCheck_CL::checkInProgress;
      title = WindowText(dialog);
      style = GetWindowLongW(dialog, GWL_STYLE);
      GetWindowRect(dialog, &window);
      GetClientRect(dialog, &client);
      const HWND openButton = GetDlgItem(dialog, UpdateDialog_CL::kOpenSiteId);
      const HWND laterButton = GetDlgItem(dialog, UpdateDialog_CL::kLaterId);
      openText = WindowText(openButton);
      laterText = WindowText(laterButton);
      open = inClient(openButton, dialog);
      later = inClient(laterButton, dialog);
      showsQuestion = FindChildByText(dialog, UpdateQuestionText(L"1.0.8", L"1.0.7")) != nullptr;
      PostMessageW(dialog, WM_COMMAND, UpdateDialog_CL::kOpenSiteId, 0);
    });
    RunCheck(server.Port(), owner, false);
    EXPECT_TRUE(script.Ran());
  }
  EXPECT_EQ(inProgress, 1);
  EXPECT_EQ(record.opened, std::vector<std::wstring>{kSiteWide});
  EXPECT_EQ(Ini(L"last_day"), -1);

  EXPECT_EQ(title, L"Glimmersetのアップデート。");
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  HighDpiHelper_CL dpi;
  dpi.Init();
  EXPECT_EQ(window.right - window.left, dpi.ScaleX(360));
  EXPECT_EQ(window.bottom - window.top, dpi.ScaleY(160));
  EXPECT_EQ(openText, L"\x3000サイトへ移動する\x3000(&S)");
  EXPECT_EQ(laterText, L"後日通知する\x3000(&L)");
  EXPECT_EQ(later.right, client.right - 4);
  EXPECT_EQ(later.bottom, client.bottom - 4);
  EXPECT_EQ(open.right, later.left - 4);
  EXPECT_EQ(open.top, later.top);
  EXPECT_TRUE(showsQuestion);

  // "後日通知する　": postponed to another day.
  dialogHandle = nullptr;
  {
    ModalScript script([&] { return dialogHandle; },
                       [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, UpdateDialog_CL::kLaterId, 0); });
    RunCheck(server.Port(), owner, false);
  }
  EXPECT_EQ(Ini(L"last_day"), Today());
  EXPECT_EQ(record.opened.size(), 1u);

  // Closing the window answers nothing.
  UpdateDialog_CL dialog(kUpdateCaption, L"1.0.7", L"1.0.8");
  HWND closing = nullptr;
  dialog.handleOut = &closing;
  ModalScript script([&] { return closing; }, [](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); });
  EXPECT_EQ(dialog.RunModal(0, 0, owner), kAnswerClosed);
  DestroyWindow(owner);
}

TEST_F(UpdateCheck, WithoutAnOwnerTheMessageBoxAsksYesNoCancel) {
  EXPECT_EQ(UpdateQuestionText(L"1.0.8", L"1.0.7"),
            L"最新のバージョン1.0.8が公開されています。\r\nサイトへ移動しますか？\r\n\r\n"
            L"\x3000（現在インストールされているバージョンは1.0.7です。）\r\n");
  LoopbackHttpServer server(Ok(VersionBody("1.0.8")));
  const auto findBox = [] {
    return FindThreadDialog([](HWND window) { return WindowText(window) == kUpdateCaption; });
  };
  struct Case {
    int button;
    bool opens;
    bool storesDay;
  };
  for (const Case c : {Case{IDNO, false, true}, Case{IDYES, true, false}, Case{IDCANCEL, false, false}}) {
    SCOPED_TRACE(c.button);
    ForgetLastDay();
    record = Recorder{};
    bool showsQuestion = false;
    ModalScript script(findBox, [&](HWND box) {
      showsQuestion = FindChildByText(box, UpdateQuestionText(L"1.0.8", L"1.0.7")) != nullptr;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
    });
    RunCheck(server.Port(), nullptr, false);
    EXPECT_TRUE(script.Ran());
    EXPECT_TRUE(showsQuestion);
    EXPECT_EQ(record.opened.size(), c.opens ? 1u : 0u);
    EXPECT_EQ(Ini(L"last_day"), c.storesDay ? Today() : -1);
  }
}
