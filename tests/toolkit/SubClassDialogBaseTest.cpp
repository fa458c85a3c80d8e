#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "tests/toolkit/HostWindow.h"
#include "toolkit/SubClassDialogBase.h"

namespace {

constexpr UINT_PTR safetyTimer = 77;
constexpr INT_PTR safetyResult = 99;

// Records the messages that reach the object. At WM_INITDIALOG it may post WM_CLOSE to
// itself; a timer ends a run that would otherwise hang. It stays hidden unless asked to
// show (under Xvfb without a window manager every shown window costs two seconds to go).
class RecordingDialog : public SubClassDialogBase_CL {
public:
  explicit RecordingDialog(DWORD dialogStyle) { style = dialogStyle; }

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(message);
    if (message == WM_INITDIALOG) {
      handleSeenAtInit = handleOut ? *handleOut : nullptr;
      SetTimer(window, safetyTimer, 5000, nullptr);
      if (closeAtInit) PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (message == WM_TIMER && wParam == safetyTimer) EndDialog(window, safetyResult);
    if (message == WM_INITDIALOG && !showAtInit) return 1;
    return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
  }

  bool Saw(UINT message) const {
    for (UINT m : messages)
      if (m == message) return true;
    return false;
  }

  std::vector<UINT> messages;
  bool closeAtInit = false;
  bool showAtInit = false;
  HWND handleSeenAtInit = nullptr;
};

class Window {
public:
  Window(int x, int y, int w, int h)
      : hwnd(CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_CAPTION, x, y, w, h, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  ~Window() {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  HWND hwnd;
};

WORD Read16(const std::byte* at) {
  WORD v;
  std::memcpy(&v, at, sizeof(v));
  return v;
}
DWORD Read32(const std::byte* at) {
  DWORD v;
  std::memcpy(&v, at, sizeof(v));
  return v;
}

}  // namespace

TEST(DialogTemplate, HoldsOnlyTheFrameFieldsInAZeroFilledBuffer) {
  SubClassDialogBase_CL dialog;
  dialog.style = SubClassDialogBase_CL::popupStyle;
  const auto* t = reinterpret_cast<const std::byte*>(dialog.BuildTemplate());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Read32(t + 0), 0x80CA0080u);
  EXPECT_EQ(Read32(t + 4), 0u);
  EXPECT_EQ(Read16(t + 8), 0) << "no controls";
  EXPECT_EQ(Read16(t + 10), 0);
  EXPECT_EQ(Read16(t + 12), 0);
  EXPECT_EQ(Read16(t + 14), 320);
  EXPECT_EQ(Read16(t + 16), 240);
  for (int i = 18; i < 1024; ++i) ASSERT_EQ(t[i], std::byte{0}) << "byte " << i;

  // Rebuilt in the same buffer with the style of the moment.
  dialog.style = SubClassDialogBase_CL::childPageStyle;
  const auto* again = reinterpret_cast<const std::byte*>(dialog.BuildTemplate());
  EXPECT_EQ(again, t);
  EXPECT_EQ(Read32(again), 0x40000400u);
}

TEST(DialogBase, ModelessFrameIsEmptyUntitledSizedFromTheTemplateAndBoundAtInit) {
  RecordingDialog dialog(SubClassDialogBase_CL::popupStyle);
  HWND seen = nullptr;
  dialog.handleOut = &seen;
  dialog.showAtInit = true;
  const HWND window = dialog.CreateModeless(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(dialog.hwnd, window);
  EXPECT_EQ(seen, window) << "handleOut is written at WM_INITDIALOG";
  EXPECT_EQ(dialog.handleSeenAtInit, window) << "already while the class handles WM_INITDIALOG";
  // Creation messages are answered without the object; the font comes just before init.
  ASSERT_GE(dialog.messages.size(), 2u);
  EXPECT_EQ(dialog.messages[0], static_cast<UINT>(WM_SETFONT));
  EXPECT_EQ(dialog.messages[1], static_cast<UINT>(WM_INITDIALOG));

  const LONG windowStyle = GetWindowLongW(window, GWL_STYLE);
  const LONG wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  EXPECT_EQ(windowStyle & wanted, wanted);
  EXPECT_TRUE(IsWindowVisible(window)) << "the base shows the dialog at WM_INITDIALOG";
  EXPECT_EQ(GetWindowTextLengthW(window), 0);
  EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr);

  RECT units{0, 0, 320, 240};
  MapDialogRect(window, &units);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, units.right);
  EXPECT_EQ(client.bottom, units.bottom);

  EXPECT_EQ(dialog.font, GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_NE(dialog.Dc(), nullptr);
  DestroyWindow(window);
  EXPECT_EQ(dialog.Dc(), nullptr) << "the device context goes back at WM_DESTROY";
}

// Work posted from other threads runs on the window's thread in the order posted, and never
// once the window has gone: what waits at WM_DESTROY and what comes after it is freed unrun.
TEST(DialogBase, PostedWorkRunsInOrderOnTheWindowsThreadAndNeverAfterItsWindow) {
  RecordingDialog dialog(SubClassDialogBase_CL::popupStyle);
  const HWND window = dialog.CreateModeless(nullptr);
  ASSERT_NE(window, nullptr);
  const std::shared_ptr<WindowPost> post = dialog.PostToken();
  ASSERT_TRUE(post);
  std::vector<int> ran;
  bool onWindowThread = true;
  std::atomic<int> freed{0};
  // Counts its own end, run or not.
  struct Witness {
    explicit Witness(std::atomic<int>& freed) : freed(freed) {}
    ~Witness() { ++freed; }
    std::atomic<int>& freed;
  };
  const auto postFrom = [&](int first, int count) {
    std::thread worker([&] {
      for (int i = first; i < first + count; ++i) {
        auto witness = std::make_shared<Witness>(freed);
        post->Post([&ran, &onWindowThread, window, i, witness] {
          onWindowThread = onWindowThread && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
          ran.push_back(i);
        });
      }
    });
    worker.join();
  };
  postFrom(0, 50);
  MSG msg;
  while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  ASSERT_EQ(ran.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(ran[static_cast<size_t>(i)], i);
  EXPECT_TRUE(onWindowThread);
  EXPECT_EQ(freed.load(), 50);

  postFrom(50, 10);  // queued, and the window goes before it is woken
  DestroyWindow(window);
  EXPECT_EQ(freed.load(), 60) << "what waited was freed at WM_DESTROY";
  postFrom(60, 5);
  EXPECT_EQ(freed.load(), 65) << "a post to a gone window is freed at once";
  EXPECT_FALSE(post->Post([] {}));
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(ran.size(), 50u) << "nothing ran after the window";
}

TEST(DialogBase, PageStyleMakesAChildOfTheGivenParent) {
  HostWindow host;
  RecordingDialog page(SubClassDialogBase_CL::childPageStyle);
  const HWND window = page.CreateModeless(host.get());
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(GetParent(window), host.get());
  EXPECT_EQ(page.parentWindow, host.get());
}

TEST(DialogBase, CloseEndsAModalRunWithZeroAndTheObjectRunsAgain) {
  Window owner(50, 50, 300, 200);
  RecordingDialog dialog(SubClassDialogBase_CL::popupStyle);
  HWND seen = nullptr;
  dialog.handleOut = &seen;
  dialog.closeAtInit = true;

  EXPECT_EQ(dialog.RunModal(0, 0, owner.hwnd), 0);
  EXPECT_TRUE(dialog.Saw(WM_CLOSE));
  EXPECT_EQ(dialog.parentWindow, owner.hwnd);
  const HWND first = seen;
  EXPECT_NE(first, nullptr);
  EXPECT_FALSE(IsWindow(first));
  const std::byte* buffer = dialog.templateBuffer.get();

  dialog.messages.clear();
  EXPECT_EQ(dialog.RunModal(0, 0, owner.hwnd), 0);
  EXPECT_TRUE(dialog.Saw(WM_INITDIALOG));
  EXPECT_EQ(dialog.templateBuffer.get(), buffer) << "the template buffer is reused";
  EXPECT_EQ(seen, dialog.hwnd);
}

TEST(DialogBase, DestroyedObjectIsNoLongerReachedByItsWindow) {
  HWND window = nullptr;
  {
    RecordingDialog dialog(SubClassDialogBase_CL::popupStyle);
    window = dialog.CreateModeless(nullptr);
    ASSERT_NE(window, nullptr);
  }
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 0);
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"still alive"));
  DestroyWindow(window);
}

TEST(CenterOnOwner, CentresTheClientSizeOnTheOwnerWindow) {
  Window owner(100, 80, 600, 400);
  RecordingDialog dialog(SubClassDialogBase_CL::popupStyle);
  ASSERT_NE(dialog.CreateModeless(owner.hwnd), nullptr);
  SubClassDialogBase_CL::CenterOnOwner(owner.hwnd, dialog.hwnd);

  RECT ownerRect{}, client{}, placed{};
  GetWindowRect(owner.hwnd, &ownerRect);
  GetClientRect(dialog.hwnd, &client);
  GetWindowRect(dialog.hwnd, &placed);
  EXPECT_EQ(placed.left, ownerRect.left + (ownerRect.right - client.right - ownerRect.left) / 2);
  EXPECT_EQ(placed.top, ownerRect.top + (ownerRect.bottom - client.bottom - ownerRect.top) / 2);
  EXPECT_EQ(GetWindow(dialog.hwnd, GW_OWNER), owner.hwnd) << "the dialog stays owned";
  DestroyWindow(dialog.hwnd);
}

TEST(CenterOnOwner, UsesTheFullScreenWhenTheOwnerIsMinimised) {
  Window owner(100, 80, 600, 400);
  ShowWindow(owner.hwnd, SW_MINIMIZE);
  ASSERT_TRUE(GetWindowLongW(owner.hwnd, GWL_STYLE) & WS_MINIMIZE);
  RecordingDialog dialog(SubClassDialogBase_CL::popupStyle);
  ASSERT_NE(dialog.CreateModeless(owner.hwnd), nullptr);
  SubClassDialogBase_CL::CenterOnOwner(owner.hwnd, dialog.hwnd);

  RECT client{}, placed{};
  GetClientRect(dialog.hwnd, &client);
  GetWindowRect(dialog.hwnd, &placed);
  EXPECT_EQ(placed.left, (GetSystemMetrics(SM_CXFULLSCREEN) - client.right) / 2);
  EXPECT_EQ(placed.top, (GetSystemMetrics(SM_CYFULLSCREEN) - client.bottom) / 2);
  DestroyWindow(dialog.hwnd);
}

TEST(SettingsPage, BindsThePageAndReportsTheSheetAndItsDisplayArea) {
  RecordingDialog page(SubClassDialogBase_CL::popupStyle);
  HWND sheetSeen = nullptr;
  page.handleOut = &sheetSeen;

  PROPSHEETPAGEW pageRecord{};
  pageRecord.dwSize = sizeof(pageRecord);
  pageRecord.dwFlags = PSP_DLGINDIRECT;
  pageRecord.hInstance = GetModuleHandleW(nullptr);
  pageRecord.pResource = page.BuildTemplate();
  pageRecord.pfnDlgProc = SubClassDialogBase_CL::SettingsPageProc;
  pageRecord.lParam = reinterpret_cast<LPARAM>(&page);
  HPROPSHEETPAGE pages[] = {CreatePropertySheetPageW(&pageRecord)};
  ASSERT_NE(pages[0], nullptr);

  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_MODELESS;
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = L"sheet";
  header.nPages = 1;
  header.phpage = pages;
  const HWND sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
  ASSERT_NE(sheet, nullptr);
  PumpMessages();

  ASSERT_NE(page.hwnd, nullptr) << "the page was created and bound";
  EXPECT_EQ(sheetSeen, sheet) << "handleOut receives the sheet's window";
  EXPECT_EQ(GetParent(page.hwnd), sheet);

  const HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  ASSERT_NE(tab, nullptr);
  RECT area{};
  GetClientRect(tab, &area);
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  const LayoutMetrics m = SubClassDialogBase_CL::PageLayout(page.hwnd);
  EXPECT_EQ(m.left, 0);
  EXPECT_EQ(m.top, 0);
  EXPECT_EQ(m.width, area.right - area.left);
  EXPECT_EQ(m.height, area.bottom - area.top);
  EXPECT_EQ(m.right, m.width);
  EXPECT_EQ(m.bottom, m.height);
  EXPECT_GT(m.unitWidth, 0);
  // A fullwidth letter is about as wide as it is tall, whatever the screen font draws.
  EXPECT_GE(m.unitWidth * 4, m.unitHeight * 3);

  DestroyWindow(sheet);
  EXPECT_TRUE(page.Saw(WM_DESTROY));
  EXPECT_EQ(page.Dc(), nullptr);
}
