#include <gtest/gtest.h>

#include "base/Inifile.h"
#include "base/Messages.h"
#include "engine/SaveData.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/WindowState.h"
#include "tests/support/TempFolder.h"

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

// The links a main window hands out, to `window` (none: no main window yet).
struct LinkedMainWindow {
  explicit LinkedMainWindow(HWND window) {
    links.mainWindow = window;
    links.settings = &settings;
    links.state = &state;
  }
  SaveData_CL settings;
  WindowState state;
  MainWindowLinks links;
};

}  // namespace

TEST(PreviewRefresh, RequestRefreshPostsOneMessageUntilItIsHandled) {
  HiddenWindow window;
  ASSERT_NE(window.hwnd, nullptr);
  LinkedMainWindow linked(window.hwnd);
  const MainWindowLinks& links = linked.links;
  WindowState& state = linked.state;
  links.RequestPreviewRefresh();
  links.RequestPreviewRefresh();
  EXPECT_EQ(state.refreshPending, 1);
  EXPECT_EQ(window.TakeRefreshes(), 1);

  state.refreshPending = false;  // as the main window does when it handles the message
  links.RequestPreviewRefresh();
  EXPECT_EQ(window.TakeRefreshes(), 1);
}

TEST(PreviewRefresh, RequestRefreshWithoutMainWindowLeavesNothingPending) {
  LinkedMainWindow linked(nullptr);
  MainWindowLinks& links = linked.links;
  WindowState& state = linked.state;
  links.RequestPreviewRefresh();
  EXPECT_EQ(state.refreshPending, 0) << "a flag nobody clears would block every later refresh";
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_REFRESH_PREVIEW, WM_REFRESH_PREVIEW, PM_REMOVE));
}

TEST(MainWindowLinks, ApplyTopMostFollowsTheSetting) {
  HiddenWindow window;
  LinkedMainWindow linked(window.hwnd);
  const MainWindowLinks& links = linked.links;
  WindowState& state = linked.state;
  state.topMost = true;
  links.ApplyTopMost();
  EXPECT_NE(GetWindowLongW(window.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  state.topMost = false;
  links.ApplyTopMost();
  EXPECT_EQ(GetWindowLongW(window.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST(PreviewRefresh, AClickPostsEvenWhileARefreshIsPending) {
  HiddenWindow window;
  LinkedMainWindow linked(window.hwnd);
  const MainWindowLinks& links = linked.links;
  links.RequestPreviewRefresh();
  links.RequestPreviewRefresh(RefreshPost::kAlways);
  EXPECT_EQ(window.TakeRefreshes(), 2);
}

// The window's two stored values: each value round-trips, odd ones are mended (on top as any
// number but 0, the preview's fit as off), and a file without them opens at the defaults.
TEST(WindowState, StoredValuesRoundTripAndOddOnesAreMended) {
  struct Stored {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* stored;  // null: the key is missing
    const wchar_t* readsAs;
  };
  const Stored values[] = {
      {L"APP_SETTING", L"WindowTopMost", L"1", L"1"}, {L"APP_SETTING", L"WindowTopMost", L"0", L"0"},
      {L"APP_SETTING", L"WindowTopMost", L"2", L"1"}, {L"APP_SETTING", L"WindowTopMost", nullptr, L"0"},
      {L"CONVERT", L"PreviewFit", L"1", L"1"},        {L"CONVERT", L"PreviewFit", L"0", L"0"},
      {L"CONVERT", L"PreviewFit", L"2", L"0"},        {L"CONVERT", L"PreviewFit", L"-1", L"0"},
      {L"CONVERT", L"PreviewFit", nullptr, L"0"},
  };
  const TempFolder folder;
  Inifile_CL ini;
  ini.SetFileName(folder.File(L"Glimmerset.ini"));
  for (const Stored& value : values) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(value.key) + L"=" + (value.stored ? value.stored : L"(none)")));
    const std::wstring text = L"\xFEFF[" + std::wstring(value.section) + L"]\r\n" +
                              (value.stored ? std::wstring(value.key) + L"=" + value.stored + L"\r\n" : L"");
    ASSERT_TRUE(WriteFileBytes(ini.filePath, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)));
    WindowState state;
    state.Load(ini);
    for (const IniEntry& entry : state.Entries()) {
      if (entry.key == value.key) {
        EXPECT_EQ(entry.value, value.readsAs);
      }
    }
  }
}
