#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "tests/toolkit/HostWindow.h"
#include "toolkit/ControlFactory.h"

namespace {

constexpr UINT nestedMessage = WM_APP + 5;

// Swallows WM_SETTEXT (marks it handled) and records what it sees. While handling it,
// it may send itself a message that it leaves to the old procedure.
class SwallowingText : public StaticText_CL {
public:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == WM_SETTEXT && swallowText) {
      handled = 1;
      if (sendNested) SendMessageW(window, nestedMessage, 0, 0);
      return 42;
    }
    return StaticText_CL::HandleMessage(window, message, wParam, lParam);
  }
  bool Saw(UINT message) const {
    for (UINT m : seen)
      if (m == message) return true;
    return false;
  }
  std::vector<UINT> seen;
  bool swallowText = true;
  bool sendNested = false;
};

HWND MakeStatic(HWND parent, ControlBase_CL& control, const wchar_t* text) {
  return control.CreateControl(0, L"Static", text, WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, parent, 4400);
}

int callbackCalls = 0;
LRESULT CountingCallback(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_APP + 9) ++callbackCalls;
  return 5;
}

std::wstring TextOf(HWND window) {
  wchar_t text[64] = {};
  GetWindowTextW(window, text, 64);
  return text;
}

}  // namespace

TEST(ControlSubclass, MessagesReachHandleMessageAndHandledKeepsTheOldProcedureOut) {
  HostWindow host;
  SwallowingText control;
  ASSERT_NE(MakeStatic(host.get(), control, L"before"), nullptr);
  const LONG_PTR original = GetWindowLongPtrW(control.hwnd, GWLP_WNDPROC);
  control.Subclass();
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(control.previousProc), original);

  EXPECT_EQ(SendMessageW(control.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"after")), 42);
  EXPECT_TRUE(control.Saw(WM_SETTEXT));
  EXPECT_EQ(TextOf(control.hwnd), L"before") << "the static's own procedure did not run";

  control.swallowText = false;
  SendMessageW(control.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"after"));
  EXPECT_EQ(TextOf(control.hwnd), L"after") << "unhandled messages go on to the old procedure";
}

TEST(ControlSubclass, NestedMessageDoesNotClearTheOuterHandledFlag) {
  HostWindow host;
  SwallowingText control;
  MakeStatic(host.get(), control, L"before");
  control.Subclass();
  control.sendNested = true;
  SendMessageW(control.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"after"));
  EXPECT_TRUE(control.Saw(nestedMessage));
  EXPECT_EQ(TextOf(control.hwnd), L"before");
}

TEST(ControlSubclass, BaseHandlerRunsTheCallbackAndLetsThePlatformFollow) {
  HostWindow host;
  StaticText_CL control;
  MakeStatic(host.get(), control, L"before");
  control.callback = CountingCallback;
  control.Subclass();
  callbackCalls = 0;
  SendMessageW(control.hwnd, WM_APP + 9, 0, 0);
  EXPECT_EQ(callbackCalls, 1);
  SendMessageW(control.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"after"));
  EXPECT_EQ(TextOf(control.hwnd), L"after");
}

TEST(ControlSubclass, DestroyPutsTheOldProcedureBackBeforeTheLastMessages) {
  HostWindow host;
  SwallowingText control;
  MakeStatic(host.get(), control, L"x");
  control.Subclass();
  DestroyWindow(control.hwnd);
  EXPECT_TRUE(control.Saw(WM_DESTROY));
  EXPECT_FALSE(control.Saw(WM_NCDESTROY)) << "after WM_DESTROY the old procedure has the window";
}

TEST(ControlSubclass, ObjectDeletedBeforeItsWindowGivesTheWindowItsProcedureBack) {
  HostWindow host;
  auto control = std::make_unique<SwallowingText>();
  const HWND window = MakeStatic(host.get(), *control, L"before");
  const LONG_PTR original = GetWindowLongPtrW(window, GWLP_WNDPROC);
  control->Subclass();
  control.reset();
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), original);
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 0);
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"after"));
  EXPECT_EQ(TextOf(window), L"after");
}

TEST(ControlResize, KeepsTheTopLeftCornerInTheParent) {
  HostWindow host;
  StaticText_CL control;
  control.CreateControl(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 17, 23, 50, 20, host.get(), 4400);
  control.Resize(120, 45, TRUE);
  const RECT r = RectInClient(control.hwnd);
  EXPECT_EQ(r.left, 17);
  EXPECT_EQ(r.top, 23);
  EXPECT_EQ(r.right - r.left, 120);
  EXPECT_EQ(r.bottom - r.top, 45);
}
