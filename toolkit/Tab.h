#pragma once
// The platform's tab control ("SysTabControl32", multi-line). The tab host derives from it.
#include <windows.h>
#include <commctrl.h>

#include "toolkit/ControlBase.h"

class Tab_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 13;
  // A tab stop: the arrow keys go from tab to tab.
  static constexpr DWORD windowStyle =
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP | TCS_MULTILINE;
  Tab_CL() : ControlBase_CL(kindCode) {}

  // 320 x 240 at (x, y), client edge, font sent.
  HWND CreateTab(HWND parent, int controlId, int x = 0, int y = 0);
  // Inserts a tab with text, image index and item data; position -1 appends.
  // Returns the new tab's index or -1.
  int InsertTab(const std::wstring& text, int image, int position, LPARAM data);
};
