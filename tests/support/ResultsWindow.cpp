#include "tests/support/ResultsWindow.h"

std::wstring ReadAndCloseResultsWindow(DWORD timeoutMs) {
  constexpr DWORD kPollMs = 50;
  HWND window = nullptr;
  for (DWORD waited = 0; window == nullptr && waited <= timeoutMs; waited += kPollMs) {
    window = FindWindowW(nullptr, L"変換結果");
    // Found as soon as it is made, its list is filled only before it shows.
    if (window != nullptr && !IsWindowVisible(window)) window = nullptr;
    if (window == nullptr) Sleep(kPollMs);
  }
  if (window == nullptr) return {};
  const HWND list = FindWindowExW(window, nullptr, L"Edit", nullptr);
  // Another process's edit box answers WM_GETTEXT, not GetWindowText.
  std::wstring text(4096, L'\0');
  const LRESULT length =
      list ? SendMessageW(list, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())) : 0;
  text.resize(static_cast<size_t>(length));
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return text;
}
