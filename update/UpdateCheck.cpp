#include "update/UpdateCheck.h"

#include "base/Inifile.h"
#include "base/ShellHelpers.h"
#include "update/InetHttp.h"
#include "update/UpdateDialog.h"

namespace {

constexpr wchar_t kSection[] = L"VERSION";
constexpr wchar_t kNotifyKey[] = L"notify";
constexpr wchar_t kForceKey[] = L"force";
constexpr wchar_t kLastDayKey[] = L"last_day";
// "force" 1 asks even when the server's version is not newer; any nonzero value skips the day rule.
constexpr int kForceAsk = 1;
// Statuses from here on are the server's error pages, whatever their body says.
constexpr DWORD kFirstErrorStatus = 400;

// One byte as one UTF-16 unit, sign-extended as the version file has always been read.
wchar_t WidenByte(BYTE byte) { return static_cast<wchar_t>(static_cast<signed char>(byte)); }

std::wstring WidenBytes(const BYTE* bytes, int count) {
  std::wstring text;
  text.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) text.push_back(WidenByte(bytes[i]));
  return text;
}

int TodayDayOfMonth() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wDay;
}

VersionFile ErrorPage() { return VersionFile{true, kErrorPageVersion, L""}; }

}  // namespace

std::wstring SupportSiteAddress() { return std::wstring(L"http://") + kMakerHost + L"/Glimmerset/"; }

VersionFile ParseVersionFile(const BYTE* body, int size) {
  VersionFile file;
  if (body == nullptr || size < kMinVersionFileBytes) return file;
  int versionLength = 0;
  while (versionLength < kVersionTextMaxBytes && body[versionLength] != 0) ++versionLength;
  file.latestVersion = WidenBytes(body, versionLength);
  file.siteAddress = WidenBytes(body + kSiteAddressOffset, size - kMinVersionFileBytes);
  // An HTML page (the server's own error page, say) names no version.
  if (body[0] == '<') file.latestVersion = kErrorPageVersion;
  file.valid = true;
  return file;
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

UpdateCheck_CL::UpdateCheck_CL(std::wstring host, std::wstring versionPath, HWND* dialogHandleOut)
    : iniStore(&theIniFile),
      host(std::move(host)),
      versionPath(std::move(versionPath)),
      dialogHandleOut(dialogHandleOut),
      openPage(OpenWebPage) {}

UpdateCheck_CL::~UpdateCheck_CL() = default;

int UpdateCheck_CL::Check(std::wstring caption, std::wstring installedVersion, HWND owner) {
  const int force = iniStore->ReadInt(kSection, kForceKey, 0);
  if (checkInProgress) return 0;
  if (iniStore->ReadInt(kSection, kNotifyKey, 0) != 0) return 0;
  const int lastDay = iniStore->ReadInt(kSection, kLastDayKey, 0);
  const int today = TodayDayOfMonth();
  if (force == 0 && lastDay == today) return 0;

  const VersionFile file = Fetch();
  if (!file.valid) return 0;

  const bool newer = CompareVersionText(installedVersion, file.latestVersion) < 0;
  if (force != kForceAsk && !newer) {
    StoreToday(today);
    return 0;
  }

  checkInProgress = 1;
  const int answer = Ask(caption, installedVersion, file.latestVersion, owner);
  if (answer == kAnswerOpenSite) {
    if (openPage && !file.siteAddress.empty()) openPage(file.siteAddress);
  } else if (answer == kAnswerLater) {
    StoreToday(today);
  }
  checkInProgress = 0;
  return 0;
}

VersionFile UpdateCheck_CL::Fetch() const {
  InetHttp_CL http;
  if (!http.Open()) return {};
  if (timeoutMs != 0) http.SetTimeouts(timeoutMs);
  if (!http.Connect(host, port)) return {};
  if (http.Request(versionPath) != 1) return {};
  if (http.StatusCode() >= kFirstErrorStatus) return ErrorPage();
  const int length = http.ContentLength();
  // Without a stated length, or with one no version file has, nothing is read.
  if (length < 0 || length > kMaxVersionFileBytes) return {};
  const int received = http.Read(length);
  if (received != length) return {};
  return ParseVersionFile(http.Body(), received);
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

void UpdateCheck_CL::StoreToday(int today) const { iniStore->WriteInt(kSection, kLastDayKey, today); }
