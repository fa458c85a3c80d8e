#include "base/PathHandover.h"

namespace {

constexpr wchar_t kHandoverMark[] = L"Glimmerset.TakesPaths";

// The value stored under the mark: any non-null handle tells a marked window.
HANDLE MarkValue() { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)); }

BOOL CALLBACK FindMarked(HWND window, LPARAM found) {
  if (GetPropW(window, kHandoverMark) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

bool IsAcceptablePath(const std::wstring& path) { return !path.empty() && path.size() <= kMaxPathUnits; }

}  // namespace

std::vector<wchar_t> PackPathList(const std::vector<std::wstring>& paths) {
  std::vector<wchar_t> packed;
  for (const std::wstring& path : paths) {
    packed.insert(packed.end(), path.begin(), path.end());
    packed.push_back(L'\0');
  }
  packed.push_back(L'\0');
  return packed;
}

bool UnpackPathList(const COPYDATASTRUCT& data, std::vector<std::wstring>& paths) {
  paths.clear();
  if (data.dwData != kPathListTag || data.lpData == nullptr) return false;
  if (data.cbData < sizeof(wchar_t) || data.cbData > kMaxPathListBytes || data.cbData % sizeof(wchar_t) != 0) {
    return false;
  }
  const auto* const units = static_cast<const wchar_t*>(data.lpData);
  const size_t count = data.cbData / sizeof(wchar_t);
  // The last unit ends the list; everything before it is whole paths, each with its zero.
  if (units[count - 1] != L'\0') return false;
  std::vector<std::wstring> found;
  size_t start = 0;
  for (size_t at = 0; at + 1 < count; ++at) {
    if (units[at] != L'\0') continue;
    std::wstring path(units + start, units + at);
    if (!IsAcceptablePath(path)) return false;
    found.push_back(std::move(path));
    start = at + 1;
  }
  if (start != count - 1) return false;  // a last path without its own zero
  paths = std::move(found);
  return true;
}

void MarkHandoverWindow(HWND window) { SetPropW(window, kHandoverMark, MarkValue()); }

void UnmarkHandoverWindow(HWND window) { RemovePropW(window, kHandoverMark); }

HWND FindHandoverWindow() {
  HWND found = nullptr;
  EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool SendPathList(HWND window, const std::vector<std::wstring>& paths, UINT timeoutMs) {
  std::vector<wchar_t> packed = PackPathList(paths);
  const size_t bytes = packed.size() * sizeof(wchar_t);
  if (bytes > kMaxPathListBytes) return false;
  COPYDATASTRUCT data{kPathListTag, static_cast<DWORD>(bytes), packed.data()};
  // The running instance may bring itself to the front: this start has the right to.
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  AllowSetForegroundWindow(processId);
  DWORD_PTR answer = 0;
  const LRESULT sent = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                           SMTO_ABORTIFHUNG, timeoutMs, &answer);
  return sent != 0 && answer == TRUE;
}
