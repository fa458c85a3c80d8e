#pragma once
// A dialog to put controls in, never shown, destroyed at the end of the test.
// (Under Xvfb without a window manager, Wine waits two seconds for every shown window that
// goes away.)
#include <windows.h>

#include "toolkit/SubClassDialogBase.h"

class HostWindow {
public:
  HostWindow() {
    dialog.style = WS_POPUP;
    dialog.CreateModeless(nullptr);
  }
  ~HostWindow() {
    if (IsWindow(dialog.hwnd)) DestroyWindow(dialog.hwnd);
  }
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  HWND get() const { return dialog.hwnd; }

private:
  class HiddenDialog : public SubClassDialogBase_CL {
    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_INITDIALOG) return 1;
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
    }
  };
  HiddenDialog dialog;
};

inline RECT RectInClient(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Runs every message already queued for this thread.
inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
