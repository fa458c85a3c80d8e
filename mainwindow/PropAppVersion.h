#pragma once
// Settings-sheet page "バージョン情報": the program's version, the switch that turns the daily
// update check off ("VERSION"/"notify") and two buttons that open the support site.
#include <windows.h>

#include <string>

#include "mainwindow/MainWindowIds.h"
#include "mainwindow/SheetPage.h"
#include "toolkit/ControlFactory.h"

class PropAppVersion_CL : public SheetPage_CL {
public:
  using OpenPageFunction = void (*)(std::wstring address);

  static constexpr int kIconButtonSize = 36;
  static constexpr int kIconSize = 32;

  PropAppVersion_CL();
  ~PropAppVersion_CL() override;

  CheckBox_CL* notifyCheck = nullptr;
  Button_CL* iconButton = nullptr;
  Button_CL* supportButton = nullptr;
  int iconId = kIconResourceId;
  // Opens the support site; the program keeps OpenWebPage, tests record the call instead.
  OpenPageFunction openPage;

private:
  void CreateControls(HWND window) override;
  void OnClick(HWND window, int id) override;
  void OnApply() override;
  // A group box of the page's width at y, as tall as needed to enclose control plus 8.
  void FrameAround(HWND window, const wchar_t* title, int width, int y, const ControlBase_CL* control);
};
