#include "mainwindow/SheetPage.h"

#include <commctrl.h>
#include <prsht.h>

#include "base/HighDpiHelper.h"

SheetPage_CL::SheetPage_CL() { style = popupStyle; }

SheetPage_CL::~SheetPage_CL() = default;

INT_PTR SheetPage_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      MoveWindow(window, 0, 0, Px(kWidth), Px(kHeight), FALSE);
      controls.UseDpi(font, dpi);
      CreateControls(window);
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnClick(window, LOWORD(wParam));
      return 0;
    case WM_NOTIFY:
      if (lParam && reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) OnApply();
      return 0;
    default:
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
  }
}

void SheetPage_CL::Changed(HWND window) {
  SendMessageW(GetParent(window), PSM_CHANGED, reinterpret_cast<WPARAM>(window), 0);
}

int SheetPage_CL::Px(int value) const { return HighDpiHelper_CL::Scale(value, dpi); }
