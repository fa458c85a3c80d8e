#pragma once
// The right-hand pane of the main window: a tab control with one tab per parameter page, the
// owner of the three pages and of the large "変換開始" button. The pages are modeless child
// dialogs of the main window, laid over the tab control's display area by the main window's
// layout; one of them is shown at a time, always with the start button at its bottom edge.
#include <windows.h>

#include <memory>

#include "base/Messages.h"
#include "mainwindow/MainWindowIds.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/TabItemDialogEffect.h"
#include "mainwindow/TabItemDialogImageSize.h"
#include "mainwindow/TabItemDialogSave.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/Tab.h"

class TabParamSetting_CL : public Tab_CL {
public:
  static constexpr int pageCount = 3;
  static constexpr int startButtonId = CMD_CONVERT;  // the main window's convert command
  static constexpr float startButtonFontScale = 2.5f;
  static constexpr int startButtonMargin = 4;        // from the page's left, right and bottom edges
  static constexpr int startButtonHeight = 64;

  TabParamSetting_CL();
  ~TabParamSetting_CL() override;

  // Creates the tab control as a child of parent (the main window), the three pages as
  // children of parent as well, and the start button, and shows page 0. Returns the tab
  // control's window, null when it could not be created.
  HWND Create(HWND parent, MainWindowLinks& mainLinks);
  // Every page shows the working settings again.
  void ShowSettings();

  // Shows page index (0 size and type, 1 effect, 2 save) where the shown page was, and moves
  // the start button onto it. An index that names no created page changes nothing.
  // The main window calls it with TCM_GETCURSEL when the tab control notifies TCN_SELCHANGE.
  void ShowPage(int index);

  // The page `step` pages on (1 next, -1 previous, round), with the focus on its first
  // control; nothing while a drag holds the mouse.
  void SwitchPage(int step);
  // The focus to the shown page's first control.
  void FocusPage() const;
  // Cuts the display area, where the shown page lies, out of the tab control's window, so
  // that the tab control can precede the page in the tab order and never paint over it.
  void KeepOffPage() const;

  // The window of the page shown, null before the first page was shown.
  HWND CurrentPageWindow() const;

  // Brings the effect page in line with the current photo (none: both groups off), and the
  // save page's line of the name the current photo gets from the file name pattern.
  void SyncEffectPage();

  // Puts the start button at the bottom of the shown page: 4 pixels from its left, right and
  // bottom edges, 64 pixels tall.
  void PlaceStartButton() const;
  // The tab control, its pages and the start button at another DPI, in tabFont.
  void UseDpi(int newDpi, HFONT tabFont);

  ControlFactory_CL controls;  // creates and owns the start button
  int currentTab = 0;
  std::unique_ptr<TabItemDialogImageSize_CL> sizePage;
  std::unique_ptr<TabItemDialogEffect_CL> effectPage;
  std::unique_ptr<TabItemDialogSave_CL> savePage;
  SubClassDialogBase_CL* currentPage = nullptr;  // one of the three pages, not owned
  Button_CL* startButton = nullptr;              // owned by controls
  int dpi = 96;                                  // the main window's
  MainWindowLinks* links = nullptr;              // handed to the pages

private:
  void CreatePages(HWND parent);
  void CreateStartButton();
  // The page of a tab index, null when the index names no page with a window.
  SubClassDialogBase_CL* PageAt(int index) const;
  void WatchPageSize(HWND page);
  void StopWatchingPages();

  // The tab control's handler: a new size puts the start button in place again.
  static LRESULT TabMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Follows the pages' size changes, so the button keeps to the bottom of the shown page.
  static LRESULT CALLBACK PageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
};
