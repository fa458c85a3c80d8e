#pragma once
// Builds and runs a platform property sheet from our own in-memory-template pages: each page
// object is added with its title, then Run shows the sheet modally, centred on its parent.
// Also the two sheets the main window shows: the application settings and the version page.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "mainwindow/MainWindowLinks.h"
#include "toolkit/SubClassDialogBase.h"

class PropSheet_CL {
public:
  // One page: the platform's page record and the title it points at.
  struct PageRecord {
    PROPSHEETPAGEW page;
    std::wstring title;
  };

  PropSheet_CL();
  virtual ~PropSheet_CL();
  PropSheet_CL(const PropSheet_CL&) = delete;
  PropSheet_CL& operator=(const PropSheet_CL&) = delete;

  // Appends a page for the object (it must outlive Run); the object's handleOut is pointed at
  // window, which holds the sheet's window once the first page has opened.
  void AddPage(SubClassDialogBase_CL& page, std::wstring title);
  // Shows the sheet modally; the value PropertySheetW returns (1 after OK or apply with
  // changes, 0 otherwise), or E_FAIL when the sheet could not be built (no pages, or a page
  // or the handle array could not be created).
  INT_PTR Run(HWND parent, std::wstring caption);

  // Holds the parent while Run starts, then the sheet's window.
  HWND SheetWindow() const { return window; }

  PROPSHEETHEADERW header;
  std::vector<PageRecord> pages;
  HWND window = nullptr;

private:
  static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam);
  static LRESULT CALLBACK CenteringProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam);
};

// "アプリ設定(&A)": both pages; when the sheet returns 1 the main window's top-most state is
// applied again. Returns what the sheet returned.
INT_PTR ShowAppSettingsSheet(HWND mainWindow, MainWindowLinks& links);
// "バージョン情報(&A)...": the version page alone; the result does not matter to the caller.
INT_PTR ShowVersionSheet(HWND mainWindow);
