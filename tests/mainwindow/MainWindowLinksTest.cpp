#include <gtest/gtest.h>

#include "base/Messages.h"
#include "engine/SaveData.h"
#include "mainwindow/TheSaveData.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

// A hidden top-level window standing in for the main window.
struct HiddenWindow {
  HWND hwnd = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ~HiddenWindow() { DestroyWindow(hwnd); }

  // Takes the queued refresh requests out of the queue and counts them.
  int TakeRefreshes() const {
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, hwnd, WM_REFRESH_PREVIEW, WM_REFRESH_PREVIEW, PM_REMOVE)) {
      EXPECT_EQ(msg.wParam, 0u);
      EXPECT_EQ(msg.lParam, 0);
      ++count;
    }
    return count;
  }
};

// Makes `window` the main window for one test; the record's refresh flag starts clear.
struct LinkedMainWindow {
  explicit LinkedMainWindow(HWND window) {
    theMainWindowLinks.mainWindow = window;
    theSaveData.refreshPending = false;
  }
  ~LinkedMainWindow() {
    theMainWindowLinks.mainWindow = nullptr;
    theSaveData.refreshPending = false;
    theSaveData.topMost = false;
  }
};

}  // namespace

TEST(PreviewRefresh, RequestRefreshPostsOneMessageUntilItIsHandled) {
  HiddenWindow window;
  ASSERT_NE(window.hwnd, nullptr);
  const LinkedMainWindow linked(window.hwnd);
  RequestPreviewRefresh();
  RequestPreviewRefresh();
  EXPECT_EQ(theSaveData.refreshPending, 1);
  EXPECT_EQ(window.TakeRefreshes(), 1);

  theSaveData.refreshPending = false;  // as the main window does when it handles the message
  RequestPreviewRefresh();
  EXPECT_EQ(window.TakeRefreshes(), 1);
}

TEST(PreviewRefresh, RequestRefreshWithoutMainWindowLeavesNothingPending) {
  RequestPreviewRefresh();
  EXPECT_EQ(theSaveData.refreshPending, 0) << "a flag nobody clears would block every later refresh";
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_REFRESH_PREVIEW, WM_REFRESH_PREVIEW, PM_REMOVE));
}

TEST(MainWindowLinks, ApplyTopMostFollowsTheSetting) {
  HiddenWindow window;
  const LinkedMainWindow linked(window.hwnd);
  theSaveData.topMost = true;
  ApplyTopMost();
  EXPECT_NE(GetWindowLongW(window.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  theSaveData.topMost = false;
  ApplyTopMost();
  EXPECT_EQ(GetWindowLongW(window.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST(PreviewRefresh, AClickPostsEvenWhileARefreshIsPending) {
  HiddenWindow window;
  const LinkedMainWindow linked(window.hwnd);
  RequestPreviewRefresh();
  RequestPreviewRefresh(RefreshPost::kAlways);
  EXPECT_EQ(window.TakeRefreshes(), 2);
}
