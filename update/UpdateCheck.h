#pragma once
// The daily look for a newer version: fetch the small version file from the maker's web
// server over HTTPS, compare the version named there with our own and, when a newer one is
// out, ask the user whether to open the download site. The fetch runs on a worker thread
// (UpdateCheckWorker); deciding whether one is due and asking happen on the user-interface
// thread. INI section "VERSION": "notify" (nonzero: never check), "force" (nonzero: ignore
// the day rule; exactly 1: ask even when not newer), "last_date" (yyyymmdd of the last
// completed check, which decides) and "last_day" (its day of the month, still written for
// older versions, which read only that).
#include <windows.h>
#include <wininet.h>

#include <string>

#include "glimmer_version.h"

class Inifile_CL;
class LogFile;

// What the program passes to the check, and where the maker's pages live.
constexpr wchar_t kMakerHost[] = L"www.glimmerset.example";
constexpr wchar_t kVersionFilePath[] = L"Glimmerset/Version.txt";
constexpr wchar_t kInstalledVersion[] = GLIMMER_VERSION_WIDE;  // from the file VERSION
constexpr wchar_t kUpdateCaption[] = L"Glimmersetのアップデート。";
// The support page on the maker's server.
std::wstring SupportSiteAddress();

// Where the version file is fetched from. The program only ever uses Maker(): HTTPS to the
// maker's host. The only plain-HTTP source is a server on 127.0.0.1, which tests construct.
struct UpdateEndpoint {
  std::wstring host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTPS_PORT;
  bool secure = true;

  static UpdateEndpoint Maker();
  static UpdateEndpoint PlainLoopback(INTERNET_PORT port);
};

// The address the user's "サイトへ移動する" may open: an https:// address on the maker's host,
// in printable ASCII without quotes, spaces, backslashes, a user name or a port. Anything else
// gives an empty text and, in reason, why.
std::wstring CheckedSiteAddress(const std::wstring& address, std::wstring* reason);
// CheckedSiteAddress's answer, or the support page when it refused the address (logged).
std::wstring SiteAddressToOpen(const std::wstring& address, LogFile& log);

// The version file as received: the version text from byte 0 (up to the first 0 byte, at most
// 7 bytes) and the download site's address from byte 9 to the end less its last two bytes
// (the line end). Every byte becomes one UTF-16 unit by sign extension.
struct VersionFile {
  bool valid = false;  // false: nothing usable received (problem says why)
  std::wstring problem;
  std::wstring latestVersion;
  std::wstring siteAddress;
};

constexpr int kVersionTextMaxBytes = 7;
constexpr int kSiteAddressOffset = 9;
constexpr int kSiteAddressTrailerBytes = 2;
// The smallest body with an address range that does not run backwards.
constexpr int kMinVersionFileBytes = kSiteAddressOffset + kSiteAddressTrailerBytes;
// A version file is a line; anything announced as larger is not one and is not read.
constexpr int kMaxVersionFileBytes = 2048;
// What a server's error page reads as: below every real version.
constexpr wchar_t kErrorPageVersion[] = L"0.0.0.0";

// Reads exactly size bytes of body (never more); a body shorter than kMinVersionFileBytes,
// or null, is not a valid version file, and neither is one with a byte that is not printable
// ASCII outside the version's 0 padding and the line end. An HTML page reads as kErrorPageVersion.
VersionFile ParseVersionFile(const BYTE* body, int size);

// The whole fetch, on any thread: connect, request, check the status and read the body, each
// failure written to log. A fetch that takes longer than limitMs in all gives an invalid file.
VersionFile FetchVersionFile(const UpdateEndpoint& from, const std::wstring& path, DWORD timeoutMs,
                             DWORD limitMs, LogFile& log);

// Whole texts, code unit by code unit by unsigned value; a prefix is smaller than the longer
// text. Negative, 0 or positive like wcscmp. "1.0.10" is smaller than "1.0.7".
int CompareVersionText(const std::wstring& left, const std::wstring& right);

// The question, the same in the notice window and the plain message box.
std::wstring UpdateQuestionText(const std::wstring& latestVersion, const std::wstring& installedVersion);

// The user's answer to the question.
enum UpdateAnswer : int {
  kAnswerClosed = 0,    // closed the question: ask again at the next start
  kAnswerOpenSite = 1,  // open the download site
  kAnswerLater = 2,     // ask again on another day
};

// What one check came to.
enum class UpdateOutcome {
  kNotDue,       // switched off, already done on this date, or a question is open
  kNotFetched,   // no usable version file (logged)
  kUpToDate,     // nothing newer: done for the day
  kAnswered,     // the question was asked (the answer decided the rest)
};

class UpdateCheck_CL {
public:
  // Connection, send and receive limit for each network step, and for the whole fetch.
  static constexpr DWORD kFetchTimeoutMs = 5000;
  static constexpr DWORD kFetchLimitMs = 15000;

  // Stands in for the question window or message box (tests); given the latest version,
  // returns the answer.
  using AnswerFunction = int (*)(const std::wstring& latestVersion);
  using OpenPageFunction = void (*)(std::wstring address);

  // The INI store keeps the "VERSION" keys; the log takes what the check has to say.
  UpdateCheck_CL(Inifile_CL& ini, LogFile& log, UpdateEndpoint endpoint, std::wstring versionPath,
                 HWND* dialogHandleOut);
  virtual ~UpdateCheck_CL();
  UpdateCheck_CL(const UpdateCheck_CL&) = delete;
  UpdateCheck_CL& operator=(const UpdateCheck_CL&) = delete;

  // Runs the whole check on the calling thread: Due, the fetch, Conclude. A null owner asks
  // with the platform's message box instead of the notice window.
  UpdateOutcome Check(std::wstring caption, std::wstring installedVersion, HWND owner);

  // User-interface thread: whether a fetch is wanted now (notify, the date rule, no question open).
  bool Due() const;
  // The fetch with this check's endpoint, path and limits, logged to fetchLog; any thread.
  VersionFile Fetch(LogFile& fetchLog) const;
  // User-interface thread: what a received version file means: the question, the opened
  // page and the date kept.
  UpdateOutcome Conclude(const VersionFile& file, const std::wstring& caption,
                         const std::wstring& installedVersion, HWND owner) const;

  // Set while the question is shown: a second Check meanwhile returns at once.
  static int checkInProgress;

  Inifile_CL& iniStore;
  LogFile& log;
  UpdateEndpoint endpoint;
  std::wstring versionPath;
  HWND* dialogHandleOut;

  // The limits and what stands in for the user and the browser. The program keeps the
  // defaults; tests shorten them and put recorders in.
  DWORD timeoutMs = kFetchTimeoutMs;
  DWORD limitMs = kFetchLimitMs;
  AnswerFunction answerOverride = nullptr;
  OpenPageFunction openPage;

private:
  int Ask(const std::wstring& caption, const std::wstring& installedVersion,
          const std::wstring& latestVersion, HWND owner) const;
  void StoreToday() const;
};
