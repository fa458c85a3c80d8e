#pragma once
// What the two settings-sheet pages share: a page of kWidth x kHeight 96-DPI pixels whose
// controls are made when the sheet opens it, a check box or button click that tells the sheet
// about a change, and the sheet's OK or apply that stores the page.
#include <windows.h>

#include "toolkit/ControlFactory.h"
#include "toolkit/SubClassDialogBase.h"

class SheetPage_CL : public SubClassDialogBase_CL {
public:
  // Page size in pixels at 96 DPI.
  static constexpr int kWidth = 560;
  static constexpr int kHeight = 360;

  SheetPage_CL();
  ~SheetPage_CL() override;

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  ControlFactory_CL controls;

protected:
  // Makes the page's controls, in the page's font for its DPI.
  virtual void CreateControls(HWND window) = 0;
  // A click on one of the page's controls.
  virtual void OnClick(HWND window, int id) = 0;
  // The sheet's OK or apply.
  virtual void OnApply() = 0;
  // Tells the sheet that the page changed, so that apply stores it.
  static void Changed(HWND window);
  int Px(int value) const;
};
