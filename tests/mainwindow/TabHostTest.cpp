#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "base/Owned.h"
#include "mainwindow/TabParamSetting.h"
#include "tests/mainwindow/PageTestHost.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

// The main window's part in switching pages: a tab change shows the tab control's selection.
LRESULT CALLBACK ForwardTabChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR host) {
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE)) {
    auto* const tabs = reinterpret_cast<TabParamSetting_CL*>(host);
    tabs->ShowPage(static_cast<int>(SendMessageW(tabs->hwnd, TCM_GETCURSEL, 0, 0)));
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

RECT ScreenRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

bool Visible(const SubClassDialogBase_CL& page) { return (GetWindowLongW(page.hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

class TabHost : public PageTest {
protected:
  void SetUp() override {
    PageTest::SetUp();
    host->Create(mainWindow.hwnd, links);
    SetWindowSubclass(mainWindow.hwnd, ForwardTabChange, 1, reinterpret_cast<DWORD_PTR>(host.get()));
  }
  void TearDown() override {
    RemoveWindowSubclass(mainWindow.hwnd, ForwardTabChange, 1);
    host.reset();
    PageTest::TearDown();
  }

  // The main window's layout: the tab control first, then the page over its display area.
  void LayOut(int x, int y, int width, int height) const {
    RECT area{x, y, x + width, y + height};
    SendMessageW(host->hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    HDWP batch = BeginDeferWindowPos(2);
    batch = DeferWindowPos(batch, host->hwnd, nullptr, x, y, width, height, SWP_NOZORDER);
    batch = DeferWindowPos(batch, host->CurrentPageWindow(), nullptr, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, SWP_NOZORDER);
    EndDeferWindowPos(batch);
  }

  // A mouse click on tab index, as the user makes it.
  void ClickTab(int index) const {
    RECT item{};
    SendMessageW(host->hwnd, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(host->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(host->hwnd, WM_LBUTTONUP, 0, at);
  }

  void ExpectStartButtonAtBottomOf(const SubClassDialogBase_CL& page) const {
    ASSERT_EQ(GetParent(host->startButton->hwnd), page.hwnd);
    RECT pageArea{};
    GetClientRect(page.hwnd, &pageArea);
    RECT button = ScreenRect(host->startButton->hwnd);
    MapWindowPoints(nullptr, page.hwnd, reinterpret_cast<POINT*>(&button), 2);
    EXPECT_EQ(button.left, 4);
    EXPECT_EQ(button.right, pageArea.right - 4);
    EXPECT_EQ(button.bottom, pageArea.bottom - 4);
    EXPECT_EQ(button.bottom - button.top, 64);
  }

  std::unique_ptr<TabParamSetting_CL> host = std::make_unique<TabParamSetting_CL>();
};

TEST_F(TabHost, StartsOnTheSizePageWithTheLargeStartButtonAtItsBottom) {
  ASSERT_NE(host->hwnd, nullptr);
  EXPECT_EQ(SendMessageW(host->hwnd, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(host->hwnd, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(Visible(*host->sizePage));
  EXPECT_FALSE(Visible(*host->effectPage) || Visible(*host->savePage));
  EXPECT_EQ(links.convertButton, host->startButton);
  EXPECT_EQ(GetDlgCtrlID(host->startButton->hwnd), 190);
  LOGFONTW gui{}, button{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(gui), &gui);
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(host->startButton->hwnd, WM_GETFONT, 0, 0)), sizeof(button), &button);
  EXPECT_EQ(button.lfHeight, static_cast<LONG>(static_cast<float>(gui.lfHeight) * 2.5f));
  EXPECT_EQ(button.lfWeight, 100);

  // The layout moves the tab control before the page; the button follows the page, both times.
  LayOut(300, 0, 280, 520);
  ExpectStartButtonAtBottomOf(*host->sizePage);
  LayOut(250, 10, 340, 460);
  ExpectStartButtonAtBottomOf(*host->sizePage);

  // The tab control comes before the page in the tab order, and the page's place is cut out
  // of the tab control's window, so that the tab control never paints over the page.
  const RECT page = ScreenRect(host->sizePage->hwnd);
  const RECT tabs = ScreenRect(host->hwnd);
  const GdiRegion shape(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(host->hwnd, shape.get()), ERROR);
  EXPECT_FALSE(PtInRegion(shape.get(), (page.left + page.right) / 2 - tabs.left, (page.top + page.bottom) / 2 - tabs.top));
  EXPECT_FALSE(PtInRegion(shape.get(), page.left - tabs.left, page.top - tabs.top));
  EXPECT_TRUE(PtInRegion(shape.get(), 4, 4)) << "the tabs themselves stay";
  HWND after = host->hwnd;
  while (after && after != host->sizePage->hwnd) after = GetWindow(after, GW_HWNDNEXT);
  EXPECT_EQ(after, host->sizePage->hwnd);
}

TEST_F(TabHost, SwitchingTabsShowsTheNewPageWhereTheOldOneWasWithTheStartButton) {
  LayOut(300, 0, 280, 520);
  const RECT place = ScreenRect(host->sizePage->hwnd);

  ClickTab(1);
  EXPECT_TRUE(Visible(*host->effectPage));
  EXPECT_FALSE(Visible(*host->sizePage) || Visible(*host->savePage));
  EXPECT_TRUE(SameRect(place, ScreenRect(host->effectPage->hwnd)));
  ExpectStartButtonAtBottomOf(*host->effectPage);

  SendMessageW(host->hwnd, TCM_SETCURSEL, 2, 0);
  NMHDR change{host->hwnd, static_cast<UINT_PTR>(host->id), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(mainWindow.hwnd, WM_NOTIFY, host->id, reinterpret_cast<LPARAM>(&change));
  EXPECT_FALSE(Visible(*host->effectPage));
  EXPECT_TRUE(SameRect(place, ScreenRect(host->savePage->hwnd)));
  ExpectStartButtonAtBottomOf(*host->savePage);

  // No selection (-1) or an index beyond the tabs leaves the shown page as it is.
  for (const int index : {-1, 3}) {
    host->ShowPage(index);
    EXPECT_EQ(host->currentTab, 2);
    EXPECT_TRUE(Visible(*host->savePage));
    ExpectStartButtonAtBottomOf(*host->savePage);
  }
}

TEST_F(TabHost, TheStartButtonStartsTheConversionFromEveryPage) {
  for (int index = 0; index < TabParamSetting_CL::pageCount; ++index) {
    host->ShowPage(index);
    Click(host->startButton);
    EXPECT_EQ(mainWindow.TakeConvertCommands(), 1) << "page " << index;
  }
}

TEST_F(TabHost, EffectPageFollowsTheCurrentPhotoAndTheButtonLeavesTheRecordWithTheHost) {
  settings.items.resize(1);
  MakeCurrent(0).ownEffect = 1;
  host->SyncEffectPage();
  EXPECT_TRUE(Checked(host->effectPage->photoRadio));
  EXPECT_TRUE(Enabled(host->effectPage->photoGroup.brightSlider));
  EXPECT_FALSE(Enabled(host->effectPage->allGroup.brightSlider));

  host.reset();
  EXPECT_EQ(links.convertButton, nullptr);
}

}  // namespace
