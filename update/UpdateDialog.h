#pragma once
// The question shown when a newer version is out: the question text and two buttons,
// "　サイトへ移動する　(&S)" (ends the run with 1) and "後日通知する　(&L)" (ends it with 2); closing
// the window or Escape ends it with 0. Runs modally over the main window, centred on it.
#include <windows.h>

#include <string>

#include "toolkit/ControlFactory.h"
#include "toolkit/SubClassDialogBase.h"

class UpdateDialog_CL : public SubClassDialogBase_CL {
public:
  static constexpr int kOpenSiteId = 4096;
  static constexpr int kLaterId = 4098;
  // Window size in pixels at 96 DPI.
  static constexpr int kWidth = 360;
  static constexpr int kHeight = 160;

  UpdateDialog_CL(std::wstring caption, std::wstring installedVersion, std::wstring latestVersion);
  ~UpdateDialog_CL() override;

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The buttons and the text sized for the new DPI and placed again.
  void DpiChanged() override;

  std::wstring caption;
  std::wstring installedVersion;
  std::wstring latestVersion;
  ControlFactory_CL controls;

private:
  void OnInitDialog(HWND window);
  // A button of the pair with its identifier replaced.
  void Renumber(int index, int id);
  // The buttons in the bottom-right corner, the question at the top left.
  void PlaceControls(HWND window) const;

  int openSiteIndex = -1;
  int questionIndex = -1;
};
