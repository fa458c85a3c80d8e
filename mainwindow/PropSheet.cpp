#include "mainwindow/PropSheet.h"
#include "mainwindow/MainWindowLinks.h"

#include <memory>
#include <new>

#include "engine/SaveData.h"
#include "mainwindow/PropAppSetting.h"
#include "mainwindow/PropAppVersion.h"

namespace {

constexpr wchar_t kSettingTitle[] = L"アプリ設定";
constexpr wchar_t kVersionTitle[] = L"バージョン情報";

// Destroys the pages created so far when the sheet cannot be shown.
void DestroyPages(const HPROPSHEETPAGE* handles, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (handles[i]) DestroyPropertySheetPage(handles[i]);
  }
}

// Centre of the sheet on the centre of its parent, both in screen coordinates.
void CenterOnParent(HWND sheet) {
  const HWND parent = GetParent(sheet);
  if (!parent) return;
  RECT s{}, p{};
  GetWindowRect(sheet, &s);
  GetWindowRect(parent, &p);
  const int x = (s.left + p.left + p.right - s.right) / 2;
  const int y = (s.top + p.top + p.bottom - s.bottom) / 2;
  SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

}  // namespace

PropSheet_CL::PropSheet_CL() : header{} {}

PropSheet_CL::~PropSheet_CL() = default;

void PropSheet_CL::AddPage(SubClassDialogBase_CL& page, std::wstring title) {
  PageRecord record{};
  record.page.dwSize = sizeof(PROPSHEETPAGEW);
  record.page.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
  record.page.hInstance = GetModuleHandleW(nullptr);
  record.page.pResource = page.BuildTemplate();
  record.page.pfnDlgProc = SubClassDialogBase_CL::SettingsPageProc;
  record.page.lParam = reinterpret_cast<LPARAM>(&page);
  record.title = std::move(title);
  page.handleOut = &window;
  pages.push_back(std::move(record));
}

INT_PTR PropSheet_CL::Run(HWND parent, std::wstring caption) {
  window = parent;
  const size_t count = pages.size();
  if (count == 0) return E_FAIL;
  std::unique_ptr<HPROPSHEETPAGE[]> handles(new (std::nothrow) HPROPSHEETPAGE[count]());
  if (!handles) return E_FAIL;
  for (size_t i = 0; i < count; ++i) {
    PageRecord& record = pages[i];
    // A page without its template cannot be created; the sheet is not shown half-built.
    if (!record.page.pResource) {
      DestroyPages(handles.get(), i);
      return E_FAIL;
    }
    record.page.pszTitle = record.title.c_str();
    handles[i] = CreatePropertySheetPageW(&record.page);
    if (!handles[i]) {
      DestroyPages(handles.get(), i);
      return E_FAIL;
    }
  }

  header = PROPSHEETHEADERW{};
  header.dwSize = sizeof(PROPSHEETHEADERW);
  header.dwFlags = PSH_USECALLBACK;
  header.hwndParent = parent;
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = caption.c_str();
  header.nPages = static_cast<UINT>(count);
  header.nStartPage = 0;
  header.phpage = handles.get();
  header.pfnCallback = SheetCallback;
  return PropertySheetW(&header);
}

int CALLBACK PropSheet_CL::SheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) {
    const LONG_PTR previous = GetWindowLongPtrW(sheet, GWLP_WNDPROC);
    SetWindowLongPtrW(sheet, GWLP_USERDATA, previous);
    SetWindowLongPtrW(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CenteringProc));
  }
  return 0;
}

LRESULT CALLBACK PropSheet_CL::CenteringProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SHOWWINDOW) CenterOnParent(sheet);
  const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(sheet, GWLP_USERDATA));
  if (!previous) return DefWindowProcW(sheet, message, wParam, lParam);
  return CallWindowProcW(previous, sheet, message, wParam, lParam);
}

INT_PTR ShowAppSettingsSheet(HWND mainWindow, MainWindowLinks& links) {
  PropAppSetting_CL settingPage(links);
  PropAppVersion_CL versionPage;
  PropSheet_CL sheet;
  sheet.AddPage(settingPage, kSettingTitle);
  sheet.AddPage(versionPage, kVersionTitle);
  const INT_PTR result = sheet.Run(mainWindow, kSettingTitle);
  if (result == 1) links.ApplyTopMost();
  return result;
}

INT_PTR ShowVersionSheet(HWND mainWindow) {
  PropAppVersion_CL versionPage;
  PropSheet_CL sheet;
  sheet.AddPage(versionPage, kVersionTitle);
  return sheet.Run(mainWindow, kVersionTitle);
}
