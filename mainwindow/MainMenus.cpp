#include "mainwindow/MainMenus.h"

#include <initializer_list>

#include "base/ShellHelpers.h"
#include "mainwindow/PopupMenu.h"
#include "toolkit/ImageList.h"

namespace {

// An entry of a pull-down menu; id 0 is a separator.
struct BarItem {
  UINT id;
  const wchar_t* text;
};

bool AppendPullDown(HMENU bar, const wchar_t* title, std::initializer_list<BarItem> items) {
  OwnedMenu pullDown(CreatePopupMenu());
  if (!pullDown) return false;
  for (const BarItem& item : items) {
    const BOOL appended = item.id ? AppendMenuW(pullDown.get(), MF_STRING, item.id, item.text)
                                  : AppendMenuW(pullDown.get(), MF_SEPARATOR, 0, nullptr);
    if (!appended) return false;
  }
  if (!AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(pullDown.get()), title)) return false;
  pullDown.release();  // the bar destroys it now
  return true;
}

struct ContextItem {
  UINT id;  // 0: separator
  const wchar_t* text;
  int imageIndex;
};

constexpr ContextItem contextItems[] = {
    {CMD_ROTATE_LEFT, L"左回転(&L)\tCtrl+L", 3},
    {CMD_ROTATE_RIGHT, L"右回転(&R)\tCtrl+R", 4},
    {0, nullptr, MenuItemRecord::noImage},
    {CMD_REMOVE_ITEM, L"このアイテムを一覧から削除(&D)\tDelete", 5},
    {0, nullptr, MenuItemRecord::noImage},
    {CMD_SUPPORT_SITE, L"サポートサイトへ(&S)", 1},
};

}  // namespace

OwnedMenu CreateMainMenuBar() {
  OwnedMenu bar(CreateMenu());
  if (!bar) return bar;
  const bool built =
      AppendPullDown(bar.get(), L"ファイル(&F)", {{CMD_OPEN, L"開く(&O)...\tCtrl+O"}}) &&
      AppendPullDown(bar.get(), L"編集(&R)",
                     {{CMD_ROTATE_LEFT, L"左回転(&L)\tCtrl+L"},
                      {CMD_ROTATE_RIGHT, L"右回転(&R)\tCtrl+R"},
                      {0, nullptr},
                      {CMD_REMOVE_ITEM, L"このアイテムを一覧から削除(&D)\tDelete"}}) &&
      AppendPullDown(bar.get(), L"設定(&S)", {{CMD_APP_SETTINGS, L"アプリ設定(&A)"}}) &&
      AppendPullDown(bar.get(), L"ヘルプ(&H)",
                     {{CMD_SUPPORT_SITE, L"サポートサイト(&S)"}, {0, nullptr}, {CMD_VERSION, L"バージョン情報(&A)..."}});
  if (!built) bar.reset();
  return bar;
}

bool BuildContextMenu(PopupMenu_CL& popup) {
  for (const ContextItem& item : contextItems) {
    const bool appended = item.id ? popup.AppendItem(item.id, item.text, item.imageIndex) : popup.AppendSeparator();
    if (!appended) return false;
  }
  return true;
}

std::wstring ContextMenuStripPath() { return ModuleDirectory() + L"\\menu_image.bmp"; }

void ShowContextMenu(HWND control, const std::wstring& stripPath) {
  POINT cursor{};
  GetCursorPos(&cursor);
  ShowContextMenuAt(control, cursor, stripPath);
}

void ShowContextMenuAt(HWND control, POINT at, const std::wstring& stripPath) {
  PopupMenu_CL popup;
  ImageList_CL strip;
  strip.LoadStrip(stripPath, menuImageCellWidth);
  popup.imageList = strip.Handle();
  if (!popup.CreatePopup() || !BuildContextMenu(popup)) return;

  TrackPopupMenu(popup.menu.get(), TPM_VERTICAL, at.x, at.y, 0, GetParent(control), nullptr);
}
