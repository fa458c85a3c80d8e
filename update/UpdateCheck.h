#pragma once
// The daily look for a newer version: fetch the small version file from the maker's web
// server, compare the version named there with our own and, when a newer one is out, ask the
// user whether to open the download site. Runs synchronously on the user-interface thread
// while the main window is still hidden. INI section "VERSION": "notify" (nonzero: never
// check), "force" (nonzero: ignore the day rule; exactly 1: ask even when not newer) and
// "last_day" (day of the month of the last completed check).
#include <windows.h>
#include <wininet.h>

#include <string>

#include "glimmer_version.h"

class Inifile_CL;

// What the program passes to the check, and where the maker's pages live.
constexpr wchar_t kMakerHost[] = L"www.glimmerset.example";
constexpr wchar_t kVersionFilePath[] = L"Glimmerset/Version.txt";
constexpr wchar_t kInstalledVersion[] = GLIMMER_VERSION_WIDE;  // from the file VERSION
constexpr wchar_t kUpdateCaption[] = L"Glimmersetのアップデート。";
// The support page on the maker's server.
std::wstring SupportSiteAddress();

// The version file as received: the version text from byte 0 (up to the first 0 byte, at most
// 7 bytes) and the download site's address from byte 9 to the end less its last two bytes
// (the line end). Every byte becomes one UTF-16 unit by sign extension.
struct VersionFile {
  bool valid = false;  // false: too short to hold an address, or nothing received
  std::wstring latestVersion;
  std::wstring siteAddress;
};

constexpr int kVersionTextMaxBytes = 7;
constexpr int kSiteAddressOffset = 9;
constexpr int kSiteAddressTrailerBytes = 2;
// The smallest body with an address range that does not run backwards.
constexpr int kMinVersionFileBytes = kSiteAddressOffset + kSiteAddressTrailerBytes;
// A version file is a line or two; anything announced as larger is not one and is not read.
constexpr int kMaxVersionFileBytes = 65536;
// What a server's error page reads as: below every real version.
constexpr wchar_t kErrorPageVersion[] = L"0.0.0.0";

// Reads exactly size bytes of body (never more); a body shorter than kMinVersionFileBytes,
// or null, is not a valid version file.
VersionFile ParseVersionFile(const BYTE* body, int size);

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

class UpdateCheck_CL {
public:
  // Connection, send and receive limit for the fetch: a start without a network must not hang.
  static constexpr DWORD kFetchTimeoutMs = 5000;

  // Stands in for the question window or message box (tests); given the latest version,
  // returns the answer.
  using AnswerFunction = int (*)(const std::wstring& latestVersion);
  using OpenPageFunction = void (*)(std::wstring address);

  UpdateCheck_CL(std::wstring host, std::wstring versionPath, HWND* dialogHandleOut);
  virtual ~UpdateCheck_CL();
  UpdateCheck_CL(const UpdateCheck_CL&) = delete;
  UpdateCheck_CL& operator=(const UpdateCheck_CL&) = delete;

  // Runs the whole check; always 0. A null owner asks with the platform's message box
  // instead of the notice window.
  int Check(std::wstring caption, std::wstring installedVersion, HWND owner);

  // Set while the question is shown: a second Check meanwhile returns at once.
  static int checkInProgress;

  Inifile_CL* iniStore;
  std::wstring host;
  std::wstring versionPath;
  HWND* dialogHandleOut;

  // Where the version file comes from and what stands in for the user and the browser.
  // The program keeps the defaults; tests point them at a loopback server and recorders.
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  DWORD timeoutMs = kFetchTimeoutMs;
  AnswerFunction answerOverride = nullptr;
  OpenPageFunction openPage;

private:
  // The received version file; invalid when any step of the fetch failed.
  VersionFile Fetch() const;
  int Ask(const std::wstring& caption, const std::wstring& installedVersion,
          const std::wstring& latestVersion, HWND owner) const;
  void StoreToday(int today) const;
};
