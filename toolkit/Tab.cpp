#include "toolkit/Tab.h"

#include <commctrl.h>

namespace {
constexpr int tabWidth = 320;
constexpr int tabHeight = 240;
}  // namespace

HWND Tab_CL::CreateTab(HWND parent, int controlId, int x, int y) {
  return CreateControl(WS_EX_CLIENTEDGE, WC_TABCONTROLW, L"", windowStyle, x, y, tabWidth, tabHeight, parent,
                       controlId);
}

int Tab_CL::InsertTab(const std::wstring& text, int image, int position, LPARAM data) {
  std::wstring label = text;
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
  item.pszText = label.data();
  item.iImage = image;
  item.lParam = data;
  const int at = position == -1 ? static_cast<int>(SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0)) : position;
  return static_cast<int>(SendMessageW(hwnd, TCM_INSERTITEMW, at, reinterpret_cast<LPARAM>(&item)));
}
