#include "update/UpdateCheck.h"

#include "base/CaselessText.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/ShellHelpers.h"
#include "update/InetHttp.h"
#include "update/UpdateDialog.h"

namespace {

constexpr wchar_t kSection[] = L"VERSION";
constexpr wchar_t kNotifyKey[] = L"notify";
constexpr wchar_t kForceKey[] = L"force";
constexpr wchar_t kLastDayKey[] = L"last_day";
constexpr wchar_t kLastDateKey[] = L"last_date";
// "force" 1 asks even when the server's version is not newer; any nonzero value skips the day rule.
constexpr int kForceAsk = 1;
// Statuses from here on are the server's error pages, whatever their body says.
constexpr DWORD kFirstErrorStatus = 400;
constexpr DWORD kFirstRedirectStatus = 300;
constexpr wchar_t kLoopbackHost[] = L"127.0.0.1";
constexpr wchar_t kSecureScheme[] = L"https://";
// Longer than any address the maker publishes; a longer one is refused.
constexpr size_t kLongestSiteAddress = 1024;

// One byte as one UTF-16 unit, sign-extended as the version file has always been read.
wchar_t WidenByte(BYTE byte) { return static_cast<wchar_t>(static_cast<signed char>(byte)); }

std::wstring WidenBytes(const BYTE* bytes, int count) {
  std::wstring text;
  text.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) text.push_back(WidenByte(bytes[i]));
  return text;
}

SYSTEMTIME Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now;
}

// The whole date as one number, 20261208 for 8 December 2026.
int DateNumber(const SYSTEMTIME& day) { return day.wYear * 10000 + day.wMonth * 100 + day.wDay; }

VersionFile ErrorPage() { return VersionFile{true, L"", kErrorPageVersion, L""}; }

VersionFile Refused(std::wstring problem) {
  VersionFile file;
  file.problem = std::move(problem);
  return file;
}

bool PrintableAscii(BYTE byte) { return byte >= 0x20 && byte < 0x7F; }

// Every byte is printable ASCII, except the 0 bytes that pad the version up to the address and
// the closing line end.
bool OnlyAsciiText(const BYTE* body, int size) {
  for (int i = 0; i < size - kSiteAddressTrailerBytes; ++i) {
    if (!PrintableAscii(body[i]) && !(i < kSiteAddressOffset && body[i] == 0)) return false;
  }
  return body[size - 2] == '\r' && body[size - 1] == '\n';
}

bool AllowedInAddress(wchar_t c) {
  return c > L' ' && c < 0x7F && std::wstring(L"\"'<>\\`^{|}").find(c) == std::wstring::npos;
}

}  // namespace

std::wstring SupportSiteAddress() { return kSecureScheme + std::wstring(kMakerHost) + L"/Glimmerset/"; }

UpdateEndpoint UpdateEndpoint::Maker() { return UpdateEndpoint{kMakerHost, INTERNET_DEFAULT_HTTPS_PORT, true}; }

UpdateEndpoint UpdateEndpoint::PlainLoopback(INTERNET_PORT port) { return UpdateEndpoint{kLoopbackHost, port, false}; }

std::wstring CheckedSiteAddress(const std::wstring& address, std::wstring* reason) {
  const auto refuse = [reason](const wchar_t* why) {
    if (reason != nullptr) *reason = why;
    return std::wstring();
  };
  if (address.empty()) return refuse(L"アドレスがありません");
  if (address.size() > kLongestSiteAddress) return refuse(L"アドレスが長すぎます");
  for (const wchar_t c : address) {
    if (!AllowedInAddress(c)) return refuse(L"アドレスに使えない文字があります");
  }
  const std::wstring scheme = kSecureScheme;
  if (address.compare(0, scheme.size(), scheme) != 0) return refuse(L"https://で始まっていません");
  const size_t hostEnd = address.find_first_of(L"/?#", scheme.size());
  const std::wstring host = address.substr(scheme.size(), hostEnd - scheme.size());
  if (!SameIgnoringCase(host, kMakerHost)) return refuse(L"配布元のホストではありません");
  return address;
}

std::wstring SiteAddressToOpen(const std::wstring& address, LogFile& log) {
  std::wstring reason;
  const std::wstring checked = CheckedSiteAddress(address, &reason);
  if (!checked.empty()) return checked;
  log.Write(L"更新確認: 受け取ったアドレスを開きません(%s)。サポートページを開きます: %s", reason.c_str(),
               address.substr(0, 200).c_str());
  return SupportSiteAddress();
}

VersionFile ParseVersionFile(const BYTE* body, int size) {
  VersionFile file;
  if (body == nullptr || size < kMinVersionFileBytes) return Refused(L"短すぎます");
  // An HTML page (the server's own error page, say) names no version.
  if (body[0] == '<') return ErrorPage();
  if (!OnlyAsciiText(body, size)) return Refused(L"ASCIIの1行ではありません");
  int versionLength = 0;
  while (versionLength < kVersionTextMaxBytes && body[versionLength] != 0) ++versionLength;
  file.latestVersion = WidenBytes(body, versionLength);
  file.siteAddress = WidenBytes(body + kSiteAddressOffset, size - kMinVersionFileBytes);
  file.valid = true;
  return file;
}

VersionFile FetchVersionFile(const UpdateEndpoint& from, const std::wstring& path, DWORD timeoutMs,
                             DWORD limitMs, LogFile& log) {
  const ULONGLONG start = GetTickCount64();
  InetHttp_CL http(log);
  if (!http.Open()) return {};
  if (timeoutMs != 0) http.SetTimeouts(timeoutMs);
  if (!http.Connect(from.host, from.port, from.secure)) return {};
  if (http.Request(path) != 1) return {};
  const DWORD status = http.StatusCode();
  if (status >= kFirstErrorStatus) return ErrorPage();
  if (status >= kFirstRedirectStatus) return Refused(L"転送には従いません");
  const int length = http.ContentLength();
  // Without a stated length, or with one no version file has, nothing is read.
  if (length < 0) return Refused(L"長さがわかりません");
  if (length > kMaxVersionFileBytes) return Refused(L"長すぎます");
  const ULONGLONG spent = GetTickCount64() - start;
  if (spent >= limitMs) return Refused(L"応答が遅すぎます");
  http.SetReadDeadline(static_cast<DWORD>(limitMs - spent));
  const int received = http.Read(length);
  if (received != length) return Refused(L"途中で途切れたか、遅すぎます");
  return ParseVersionFile(http.Body(), received);
}

int CompareVersionText(const std::wstring& left, const std::wstring& right) {
  const size_t common = left.size() < right.size() ? left.size() : right.size();
  for (size_t i = 0; i < common; ++i) {
    const unsigned a = static_cast<unsigned short>(left[i]);
    const unsigned b = static_cast<unsigned short>(right[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

std::wstring UpdateQuestionText(const std::wstring& latestVersion, const std::wstring& installedVersion) {
  return L"最新のバージョン" + latestVersion + L"が公開されています。" + L"\r\n" +
         L"サイトへ移動しますか？\r\n\r\n" + L"\x3000（現在インストールされているバージョンは" +
         installedVersion + L"です。）\r\n";
}

int UpdateCheck_CL::checkInProgress = 0;

UpdateCheck_CL::UpdateCheck_CL(Inifile_CL& ini, LogFile& log, UpdateEndpoint endpoint, std::wstring versionPath,
                               HWND* dialogHandleOut)
    : iniStore(ini),
      log(log),
      endpoint(std::move(endpoint)),
      versionPath(std::move(versionPath)),
      dialogHandleOut(dialogHandleOut),
      openPage(OpenWebPage) {}

UpdateCheck_CL::~UpdateCheck_CL() = default;

UpdateOutcome UpdateCheck_CL::Check(std::wstring caption, std::wstring installedVersion, HWND owner) {
  if (!Due()) return UpdateOutcome::kNotDue;
  return Conclude(Fetch(log), caption, installedVersion, owner);
}

bool UpdateCheck_CL::Due() const {
  if (checkInProgress) return false;
  if (iniStore.ReadInt(kSection, kNotifyKey, 0) != 0) return false;
  const int force = iniStore.ReadInt(kSection, kForceKey, 0);
  return force != 0 || iniStore.ReadInt(kSection, kLastDateKey, 0) != DateNumber(Today());
}

VersionFile UpdateCheck_CL::Fetch(LogFile& fetchLog) const {
  return FetchVersionFile(endpoint, versionPath, timeoutMs, limitMs, fetchLog);
}

UpdateOutcome UpdateCheck_CL::Conclude(const VersionFile& file, const std::wstring& caption,
                                       const std::wstring& installedVersion, HWND owner) const {
  if (checkInProgress) return UpdateOutcome::kNotDue;
  if (!file.valid) {
    if (!file.problem.empty()) log.Write(L"更新確認: バージョンファイルを使いません(%s)。", file.problem.c_str());
    return UpdateOutcome::kNotFetched;
  }
  const int force = iniStore.ReadInt(kSection, kForceKey, 0);
  const bool errorPage = file.latestVersion == kErrorPageVersion;
  const bool newer = CompareVersionText(installedVersion, file.latestVersion) < 0;
  if (errorPage || (force != kForceAsk && !newer)) {
    if (errorPage) log.Write(L"更新確認: サーバーの答えはバージョンファイルではありません。");
    StoreToday();
    return UpdateOutcome::kUpToDate;
  }

  checkInProgress = 1;
  const int answer = Ask(caption, installedVersion, file.latestVersion, owner);
  if (answer == kAnswerOpenSite) {
    if (openPage) openPage(SiteAddressToOpen(file.siteAddress, log));
  } else if (answer == kAnswerLater) {
    StoreToday();
  }
  checkInProgress = 0;
  return UpdateOutcome::kAnswered;
}

int UpdateCheck_CL::Ask(const std::wstring& caption, const std::wstring& installedVersion,
                        const std::wstring& latestVersion, HWND owner) const {
  if (answerOverride) return answerOverride(latestVersion);
  if (owner) {
    UpdateDialog_CL dialog(caption, installedVersion, latestVersion);
    dialog.handleOut = dialogHandleOut;
    return static_cast<int>(dialog.RunModal(0, 0, owner));
  }
  const std::wstring question = UpdateQuestionText(latestVersion, installedVersion);
  switch (MessageBoxW(nullptr, question.c_str(), caption.c_str(), MB_YESNOCANCEL)) {
    case IDYES:
      return kAnswerOpenSite;
    case IDCANCEL:
      return kAnswerClosed;
    default:
      return kAnswerLater;
  }
}

// Both keys: an older version reads only the day of the month.
void UpdateCheck_CL::StoreToday() const {
  const SYSTEMTIME today = Today();
  iniStore.WriteAll({IniEntry{kSection, kLastDayKey, IntText(today.wDay)},
                     IniEntry{kSection, kLastDateKey, IntText(DateNumber(today))}});
}
