#pragma once
// A menu whose items draw themselves: each item record keeps the cell of the item's picture
// in an image strip, and each owner-drawn item carries the address of its PopupMenu_CL as
// item data, which is how the measuring and drawing code finds the strip and the record.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/Owned.h"

struct MenuItemRecord {
  static constexpr int noImage = -1;

  MENUITEMINFOW info{};
  int imageIndex = 0;  // cell in the image strip; noImage for none
};

class PopupMenu_CL {
public:
  // MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING | MIIM_FTYPE
  static constexpr UINT itemMask = 0x167;
  // The fields read back when an item is measured or drawn (no item data, with the bitmap).
  static constexpr UINT readMask = 0x1C7;
  // Gap between the picture column and the text, and between the right-hand text and the
  // item's right edge.
  static constexpr int pictureGap = 4;
  static constexpr int rightMargin = 24;
  static constexpr int extraWidth = 48;

  PopupMenu_CL();
  virtual ~PopupMenu_CL();
  PopupMenu_CL(const PopupMenu_CL&) = delete;
  PopupMenu_CL& operator=(const PopupMenu_CL&) = delete;

  virtual bool CreatePopup();
  virtual bool CreateBar();

  // The record at index; records up to index are appended first (owner-drawn, empty).
  MenuItemRecord& ItemAt(size_t index);
  // Appends an owner-drawn item with its own record at the end of the menu.
  bool AppendItem(UINT id, const std::wstring& text, int imageIndex);
  // Appends a plain (not owner-drawn) separator without a record.
  bool AppendSeparator();

  // First record with that command id, or null.
  const MenuItemRecord* FindRecord(UINT id) const;
  // The item's text as the menu holds it; empty when it has none.
  std::wstring ItemText(UINT id) const;

  // The live PopupMenu_CL an owner-drawn item's data points at, or null for data that does
  // not belong to one (items of other menus, stale or null data).
  static PopupMenu_CL* FromItemData(ULONG_PTR itemData);

  // Acts on WM_MEASUREITEM and WM_DRAWITEM for menu items of a PopupMenu_CL; true when it
  // answered the message. Every other message is left alone.
  static bool HandleOwnerDraw(HWND window, UINT message, LPARAM lParam);
  // WM_MENUCHAR: an owner-drawn item's key ("(&L)") is not known to the system. The answer
  // that chooses the item of the open menu (lParam) whose key was typed, or 0 for none.
  static LRESULT MenuChar(WPARAM wParam, LPARAM lParam);

  OwnedMenu menu;
  std::vector<MenuItemRecord> itemRecords;
  HIMAGELIST imageList = nullptr;  // not owned

private:
  static bool Measure(HWND window, MEASUREITEMSTRUCT& item);
  static bool Draw(const DRAWITEMSTRUCT& item);
};
