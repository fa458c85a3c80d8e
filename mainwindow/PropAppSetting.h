#pragma once
// Settings-sheet page "アプリ設定": keep the main window above all other windows. The check box
// shows theSaveData.topMost when the page opens; the sheet's OK or apply stores it and saves
// every setting.
#include <windows.h>

#include "toolkit/ControlFactory.h"
#include "toolkit/SubClassDialogBase.h"

class PropAppSetting_CL : public SubClassDialogBase_CL {
public:
  // Page size in pixels.
  static constexpr int kWidth = 560;
  static constexpr int kHeight = 360;

  PropAppSetting_CL();
  ~PropAppSetting_CL() override;

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  ControlFactory_CL controls;
  CheckBox_CL* topMostCheck = nullptr;

private:
  void OnInitDialog(HWND window);
  void OnApply() const;
};
