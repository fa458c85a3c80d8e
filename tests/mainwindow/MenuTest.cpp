#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Owned.h"
#include "mainwindow/MainMenus.h"
#include "mainwindow/PopupMenu.h"
#include "tests/support/TempFolder.h"
#include "toolkit/ImageList.h"

namespace {

SIZE LabelExtent(const std::wstring& label) {
  const WindowDc dc(nullptr);
  const SelectedObject font(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), label.c_str(), static_cast<int>(label.size()), &size);
  return size;
}

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

// A plain top-level window standing in for the main window: two child panes (the thumbnail
// list and the preview) whose right clicks open the context menu, as the main window does.
// While the menu waits for input it is fed the keys in `keys`; the commands it sends back
// and the item sizes it answered are recorded.
class MenuHost {
public:
  explicit MenuHost(std::wstring strip) : stripPath(std::move(strip)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &MenuHost::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"GlimmersetMenuTestHost";
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr,
                             windowClass.hInstance, this);
    list = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 200, 400, 100, window, nullptr,
                           windowClass.hInstance, nullptr);
    preview = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, window, nullptr,
                              windowClass.hInstance, nullptr);
    // Shown without activation, so that Wine does not wait for a window manager at the end.
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  ~MenuHost() { DestroyWindow(window); }
  MenuHost(const MenuHost&) = delete;
  MenuHost& operator=(const MenuHost&) = delete;

  // A right click on the pane: the button-up reaches the pane, whose default handling asks
  // its parent for the context menu. Returns when the menu has closed.
  void RightClick(HWND pane) {
    SetTimer(window, safetyTimer, 5000, nullptr);
    SendMessageW(pane, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    KillTimer(window, safetyTimer);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  struct Measured {
    UINT id;
    UINT width;
    UINT height;
  };

  HWND window = nullptr;
  HWND list = nullptr;
  HWND preview = nullptr;
  std::wstring stripPath;
  std::vector<MSG> keys;
  std::vector<Measured> measured;
  std::vector<UINT> commands;
  int drawn = 0;
  bool timedOut = false;

private:
  static constexpr UINT_PTR safetyTimer = 5;

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* host = reinterpret_cast<MenuHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (host) host->Handle(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }

  void Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == list || reinterpret_cast<HWND>(wParam) == preview)
          ShowContextMenu(reinterpret_cast<HWND>(wParam), stripPath);
        break;
      case WM_MEASUREITEM:
        if (PopupMenu_CL::HandleOwnerDraw(hwnd, message, lParam)) {
          const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
          measured.push_back({item->itemID, item->itemWidth, item->itemHeight});
        }
        break;
      case WM_DRAWITEM:
        if (PopupMenu_CL::HandleOwnerDraw(hwnd, message, lParam)) ++drawn;
        break;
      case WM_ENTERIDLE:
        if (wParam == MSGF_MENU) {
          for (const MSG& key : keys) PostMessageW(reinterpret_cast<HWND>(lParam), key.message, key.wParam, 0);
          keys.clear();
        }
        break;
      case WM_TIMER:
        if (wParam == safetyTimer) {
          timedOut = true;
          EndMenu();
        }
        break;
      case WM_COMMAND:
        commands.push_back(LOWORD(wParam));
        break;
      default:
        break;
    }
  }
};

MSG Key(UINT message, WPARAM code) {
  MSG msg{};
  msg.message = message;
  msg.wParam = code;
  return msg;
}

// Up from no selection reaches the last item, the support site; Enter chooses it.
const std::vector<MSG> kChooseLastItem = {Key(WM_KEYDOWN, VK_UP), Key(WM_CHAR, L'\r')};

const wchar_t* const kContextLabels[] = {L"左回転(&L)", L"右回転(&R)", L"このアイテムを一覧から削除(&D)", L"サポートサイトへ(&S)"};
// The shortcut each item shows right-aligned; its width and a margin are added to the item's.
const wchar_t* const kContextShortcuts[] = {L"Ctrl+L", L"Ctrl+R", L"Delete", L""};

LONG ShortcutRoom(size_t item) {
  const std::wstring shortcut = kContextShortcuts[item];
  return shortcut.empty() ? 0 : LabelExtent(shortcut).cx + PopupMenu_CL::rightMargin;
}
constexpr UINT kContextIds[] = {191, 192, 193, 180};

}  // namespace

// --- the menu bar ---------------------------------------------------------------------

TEST(MenuBar, HoldsTheFourMenusWithTheirItemsAndCommands) {
  const OwnedMenu bar = CreateMainMenuBar();
  ASSERT_TRUE(bar);
  struct Expected {
    const wchar_t* title;
    std::vector<std::pair<UINT, std::wstring>> items;  // id 0: separator
  };
  const Expected expected[] = {
      {L"ファイル(&F)", {{182, L"開く(&O)...\tCtrl+O"}}},
      {L"編集(&R)",
       {{191, L"左回転(&L)\tCtrl+L"}, {192, L"右回転(&R)\tCtrl+R"}, {0, L""}, {193, L"このアイテムを一覧から削除(&D)\tDelete"}}},
      {L"設定(&S)", {{170, L"アプリ設定(&A)"}}},
      {L"ヘルプ(&H)", {{180, L"サポートサイト(&S)"}, {0, L""}, {181, L"バージョン情報(&A)..."}}},
  };
  ASSERT_EQ(GetMenuItemCount(bar.get()), 4);
  for (UINT m = 0; m < 4; ++m) {
    SCOPED_TRACE(m);
    EXPECT_EQ(MenuText(bar.get(), m), expected[m].title);
    const HMENU pullDown = GetSubMenu(bar.get(), static_cast<int>(m));
    ASSERT_NE(pullDown, nullptr);
    ASSERT_EQ(GetMenuItemCount(pullDown), static_cast<int>(expected[m].items.size()));
    for (UINT i = 0; i < expected[m].items.size(); ++i) {
      const auto& [id, text] = expected[m].items[i];
      if (id == 0) {
        EXPECT_TRUE(GetMenuState(pullDown, i, MF_BYPOSITION) & MF_SEPARATOR);
        continue;
      }
      EXPECT_EQ(GetMenuItemID(pullDown, static_cast<int>(i)), id);
      EXPECT_EQ(MenuText(pullDown, i), text);
    }
  }
}

// --- opening the context menu ---------------------------------------------------------

// The strip beside the program has its six cells; the list and the preview open the same
// menu, and its last item sends the support-site command.
TEST(ContextMenu, ItemsWithPicturesAreWiderByACellAndTallerThanOne) {
  ImageList_CL strip;
  ASSERT_TRUE(strip.LoadStrip(ContextMenuStripPath(), menuImageCellWidth));
  EXPECT_GE(ImageList_GetImageCount(strip.Handle()), 6);
  MenuHost host(ContextMenuStripPath());
  host.keys = kChooseLastItem;
  host.RightClick(host.list);
  host.keys = kChooseLastItem;
  host.RightClick(host.preview);
  EXPECT_FALSE(host.timedOut);
  EXPECT_GT(host.drawn, 0);
  ASSERT_EQ(host.measured.size(), 8u);
  int cellWidth = 0;
  int cellHeight = 0;
  ImageList_GetIconSize(strip.Handle(), &cellWidth, &cellHeight);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const SIZE text = LabelExtent(kContextLabels[i]);
    EXPECT_EQ(host.measured[i].id, kContextIds[i]);
    EXPECT_EQ(static_cast<LONG>(host.measured[i].width), text.cx + 48 + ShortcutRoom(i) + cellWidth + 4);
    EXPECT_EQ(static_cast<LONG>(host.measured[i].height), std::max(text.cy + 1, static_cast<LONG>(cellHeight) + 1));
    EXPECT_EQ(host.measured[i + 4].id, host.measured[i].id);
    EXPECT_EQ(host.measured[i + 4].width, host.measured[i].width);
  }
  EXPECT_EQ(host.commands, (std::vector<UINT>{180, 180}));
}

TEST(ContextMenu, WithoutTheStripItOpensWithTextOnly) {
  TempFolder folder;
  MenuHost host(folder.File(L"menu_image.bmp"));
  host.keys = {Key(WM_KEYDOWN, VK_DOWN), Key(WM_KEYDOWN, VK_DOWN), Key(WM_CHAR, L'\r')};
  host.RightClick(host.list);
  EXPECT_FALSE(host.timedOut);
  ASSERT_EQ(host.measured.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const SIZE text = LabelExtent(kContextLabels[i]);
    EXPECT_EQ(static_cast<LONG>(host.measured[i].width), text.cx + 48 + ShortcutRoom(i));
    EXPECT_EQ(static_cast<LONG>(host.measured[i].height), text.cy + 1);
  }
  EXPECT_EQ(host.commands, std::vector<UINT>{192});
}

// --- measuring and drawing one item ---------------------------------------------------

namespace {

constexpr int kItemWidth = 300;
constexpr int kItemHeight = 26;

// An item drawn into a bitmap of its own, read back pixel by pixel.
class DrawnItem {
public:
  DrawnItem(PopupMenu_CL& popup, UINT id, UINT state) : dc(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kItemWidth;
    info.bmiHeader.biHeight = -kItemHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels = static_cast<const DWORD*>(bits);
    const SelectedObject selected(dc.get(), bitmap.get());
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_MENU;
    item.itemID = id;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = reinterpret_cast<HWND>(popup.menu.get());
    item.hDC = dc.get();
    item.rcItem = RECT{0, 0, kItemWidth, kItemHeight};
    item.itemData = reinterpret_cast<ULONG_PTR>(&popup);
    answered = PopupMenu_CL::HandleOwnerDraw(nullptr, WM_DRAWITEM, reinterpret_cast<LPARAM>(&item));
    GdiFlush();
  }

  COLORREF At(int x, int y) const {
    const DWORD p = pixels[y * kItemWidth + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  bool Has(COLORREF colour, int left, int right) const {
    for (int y = 0; y < kItemHeight; ++y)
      for (int x = left; x < right; ++x)
        if (At(x, y) == colour) return true;
    return false;
  }
  // Rightmost column in [left, right) holding a pixel other than the background; -1 if none.
  int RightmostInk(COLORREF background, int left, int right) const {
    for (int x = right - 1; x >= left; --x)
      for (int y = 0; y < kItemHeight; ++y)
        if (At(x, y) != background) return x;
    return -1;
  }

  bool answered = false;

private:
  MemoryDc dc;
  GdiBitmap bitmap;
  const DWORD* pixels = nullptr;
};

class OwnerDrawnItem : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(strip.LoadStrip(ContextMenuStripPath(), menuImageCellWidth));
    ASSERT_TRUE(popup.CreatePopup());
  }

  ImageList_CL strip;
  PopupMenu_CL popup;
};

const COLORREF kCrossRed = RGB(200, 40, 40);  // the remove picture, cell 5

}  // namespace

TEST_F(OwnerDrawnItem, SelectedGrayedItemIsGrayTextOnHighlight) {
  ASSERT_TRUE(popup.AppendItem(193, L"このアイテムを一覧から削除", 5));
  const DrawnItem item(popup, 193, ODS_SELECTED | ODS_GRAYED);
  ASSERT_TRUE(item.answered);
  EXPECT_EQ(item.At(kItemWidth - 1, kItemHeight - 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_TRUE(item.Has(GetSysColor(COLOR_GRAYTEXT), 0, kItemWidth));

  const DrawnItem plain(popup, 193, 0);
  EXPECT_EQ(plain.At(kItemWidth - 1, 0), GetSysColor(COLOR_MENU));
  EXPECT_TRUE(plain.Has(GetSysColor(COLOR_MENUTEXT), 0, kItemWidth));
}

TEST_F(OwnerDrawnItem, PictureSitsAtTheTopLeftOnlyWithAStrip) {
  ASSERT_TRUE(popup.AppendItem(193, L"削除", 5));
  const DrawnItem without(popup, 193, 0);
  EXPECT_FALSE(without.Has(kCrossRed, 0, menuImageCellWidth));

  popup.imageList = strip.Handle();
  const DrawnItem with(popup, 193, 0);
  EXPECT_TRUE(with.Has(kCrossRed, 0, menuImageCellWidth));
  EXPECT_FALSE(with.Has(kCrossRed, menuImageCellWidth, kItemWidth));

  popup.ItemAt(0).imageIndex = MenuItemRecord::noImage;
  const DrawnItem none(popup, 193, 0);
  EXPECT_FALSE(none.Has(kCrossRed, 0, kItemWidth));
  popup.ItemAt(0).imageIndex = 9999;  // past the strip: drawn without a picture
  EXPECT_TRUE(DrawnItem(popup, 193, 0).answered);
}

TEST_F(OwnerDrawnItem, TextAfterATabIsRightAligned24PixelsIn) {
  ASSERT_TRUE(popup.AppendItem(300, L"開く\tCtrl+O", 0));
  const DrawnItem item(popup, 300, 0);
  const COLORREF background = GetSysColor(COLOR_MENU);
  const int rightEdge = item.RightmostInk(background, kItemWidth / 2, kItemWidth);
  EXPECT_LT(rightEdge, kItemWidth - 24);
  EXPECT_GE(rightEdge, kItemWidth - 24 - 4);
}

TEST_F(OwnerDrawnItem, LongItemTextIsMeasuredWhole) {
  const std::wstring text(400, L'W');
  ASSERT_TRUE(popup.AppendItem(301, text, 0));
  EXPECT_EQ(popup.ItemText(301), text);
  MEASUREITEMSTRUCT item{};
  item.CtlType = ODT_MENU;
  item.itemID = 301;
  item.itemData = reinterpret_cast<ULONG_PTR>(&popup);
  ASSERT_TRUE(PopupMenu_CL::HandleOwnerDraw(nullptr, WM_MEASUREITEM, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(static_cast<LONG>(item.itemWidth), LabelExtent(text).cx + 48);
}

TEST_F(OwnerDrawnItem, ItemDataOfAnotherMenuIsLeftAlone) {
  ASSERT_TRUE(popup.AppendItem(191, L"左回転", 3));
  MEASUREITEMSTRUCT item{};
  item.CtlType = ODT_MENU;
  item.itemID = 191;
  item.itemWidth = 7;
  int notAMenu = 0;
  for (const ULONG_PTR data : {ULONG_PTR{0}, reinterpret_cast<ULONG_PTR>(&notAMenu)}) {
    item.itemData = data;
    EXPECT_FALSE(PopupMenu_CL::HandleOwnerDraw(nullptr, WM_MEASUREITEM, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.itemWidth, 7u);
  }
  item.itemData = reinterpret_cast<ULONG_PTR>(&popup);
  item.CtlType = ODT_BUTTON;
  EXPECT_FALSE(PopupMenu_CL::HandleOwnerDraw(nullptr, WM_MEASUREITEM, reinterpret_cast<LPARAM>(&item)));
  EXPECT_FALSE(PopupMenu_CL::HandleOwnerDraw(nullptr, WM_DRAWITEM, 0));
}
