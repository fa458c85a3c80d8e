#pragma once
// Settings-sheet page "アプリ設定": keep the main window above all other windows, and put
// "Glimmersetで変換" on Explorer's right-click menu for this user. The first check box shows
// the main window's topMost when the page opens; the sheet's OK or apply stores it and saves
// every setting. The second shows whether this user's verb keys start this program; OK or apply
// writes them (HKCU\Software\Classes) or removes them.
#include <windows.h>

#include <string>
#include <vector>

#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/SheetPage.h"
#include "toolkit/ControlFactory.h"

constexpr wchar_t kExplorerMenuText[] = L"エクスプローラーの右クリックメニューに追加する(&E)";
constexpr wchar_t kExplorerMenuFailedText[] = L"エクスプローラーの右クリックメニューを変更できませんでした。\r\n\r\n";
constexpr wchar_t kExplorerMenuFailedCaption[] = L"アプリ設定";

// The extensions the right-click entry is offered for: those the program reads photos by.
std::vector<std::wstring> ExplorerMenuExtensions();

class PropAppSetting_CL : public SheetPage_CL {
public:
  explicit PropAppSetting_CL(MainWindowLinks& mainLinks);
  ~PropAppSetting_CL() override;

  CheckBox_CL* topMostCheck = nullptr;
  CheckBox_CL* explorerMenuCheck = nullptr;
  // What the box showed when the page opened: only a change by the user touches the keys
  // (unticked may mean that they start another copy of the program, which stays).
  bool explorerMenuShown = false;

private:
  MainWindowLinks& links;
  void CreateControls(HWND window) override;
  void OnClick(HWND window, int id) override;
  void OnApply() override;
  void ApplyExplorerMenu();
};
