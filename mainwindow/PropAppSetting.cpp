#include "mainwindow/PropAppSetting.h"

#include <commctrl.h>
#include <prsht.h>

#include "engine/SaveData.h"
#include "mainwindow/TheSaveData.h"
#include "toolkit/ControlLayout.h"

namespace {

constexpr wchar_t kTopMostText[] = L"ウインドウを常に最前面に表示する";
constexpr int kCheckX = 8;
constexpr int kCheckY = 16;
constexpr int kStackTop = 4;
constexpr int kStackGap = 8;

}  // namespace

PropAppSetting_CL::PropAppSetting_CL() { style = popupStyle; }

PropAppSetting_CL::~PropAppSetting_CL() = default;

INT_PTR PropAppSetting_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(window);
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
    case WM_COMMAND:
      if (topMostCheck && LOWORD(wParam) == topMostCheck->id && HIWORD(wParam) == BN_CLICKED) {
        SendMessageW(GetParent(window), PSM_CHANGED, reinterpret_cast<WPARAM>(window), 0);
      }
      return 0;
    case WM_NOTIFY:
      if (lParam && reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) OnApply();
      return 0;
    default:
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
  }
}

void PropAppSetting_CL::OnInitDialog(HWND window) {
  MoveWindow(window, 0, 0, kWidth, kHeight, FALSE);
  PageLayout(window);
  const int check = controls.AddCheckBox(window, kTopMostText, kCheckX, kCheckY);
  topMostCheck = controls.As<CheckBox_CL>(check);
  if (topMostCheck && topMostCheck->hwnd && theSaveData.topMost != 0) {
    SendMessageW(topMostCheck->hwnd, BM_SETCHECK, BST_CHECKED, 0);
  }
  StackVertically({check}, controls, kStackTop, kStackGap);
}

void PropAppSetting_CL::OnApply() const {
  if (!topMostCheck || !topMostCheck->hwnd) return;
  theSaveData.topMost = topMostCheck->IsChecked() & 0xFF;
  theSaveData.Save();
}
