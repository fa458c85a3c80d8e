#pragma once
// Small operations the parameter pages share on their controls and towards the main window.
// Every one of them is safe on a control whose window was never made.
#include <windows.h>

#include "engine/SaveData.h"
#include "toolkit/ControlBase.h"
#include "toolkit/ControlLayout.h"

namespace page {

// The command a click on "変換開始" sends to the main window.
constexpr int kConvertCommand = 190;

inline bool Exists(const ControlBase_CL* control) { return control && control->hwnd; }

inline void SetCheck(const ControlBase_CL* control, bool checked) {
  if (Exists(control)) SendMessageW(control->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A check box's state in its low byte, as stored in the settings.
inline int CheckState(const ControlBase_CL& control) { return control.IsChecked() & 0xFF; }

inline void MoveAndSize(const ControlBase_CL* control, int x, int y, int width, int height) {
  if (Exists(control)) MoveWindow(control->hwnd, x, y, width, height, TRUE);
}

inline void MoveIfExists(const ControlBase_CL* control, int x, int y) {
  if (control) MoveTo(*control, x, y);
}

inline void PostRefresh() {
  const HWND mainWindow = theSaveData.MainWindow();
  if (mainWindow) PostMessageW(mainWindow, WM_REFRESH_PREVIEW, 0, 0);
}

// When `id` is the start button's, tells the main window (or, before it is known, the page's
// own parent) that a conversion was asked for.
inline void ForwardConvertClick(int id, HWND pageParent) {
  if (!theSaveData.convertButton || id != theSaveData.convertButton->id) return;
  const HWND mainWindow = theSaveData.MainWindow();
  PostMessageW(mainWindow ? mainWindow : pageParent, WM_COMMAND, kConvertCommand, 0);
}

}  // namespace page
