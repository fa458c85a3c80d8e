#include "mainwindow/TabParamSetting.h"
#include "mainwindow/MainWindowLinks.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "base/HighDpiHelper.h"
#include "base/Owned.h"
#include "toolkit/ControlLayout.h"
#include "engine/SaveData.h"

namespace {

constexpr const wchar_t* kTabTexts[TabParamSetting_CL::pageCount] = {
    L"変換後画像タイプ／変換サイズ",
    L"エフェクト",
    L"保存",
};
constexpr wchar_t kStartButtonText[] = L"変換開始(&S)";
constexpr DWORD kEnableTabTexture = 6;  // ETDT_ENABLETAB
constexpr UINT_PTR kPageWatchId = 0x4252;

}  // namespace

TabParamSetting_CL::TabParamSetting_CL() = default;

TabParamSetting_CL::~TabParamSetting_CL() {
  StopWatchingPages();
  // The button's window goes with the page it sits on; nobody may reach it through the record.
  if (links != nullptr && links->convertButton == startButton) links->convertButton = nullptr;
  currentPage = nullptr;
  sizePage.reset();
  effectPage.reset();
  savePage.reset();
}

HWND TabParamSetting_CL::Create(HWND parent, MainWindowLinks& mainLinks) {
  links = &mainLinks;
  dpi = HighDpiHelper_CL::WindowDpi(parent);
  if (!CreateTab(parent, controls.TakeId())) return nullptr;
  EnableThemeDialogTexture(hwnd, kEnableTabTexture);
  callback = TabMessage;
  Subclass();
  for (const wchar_t* text : kTabTexts) InsertTab(text, -1, -1, 0);
  CreatePages(parent);
  CreateStartButton();
  ShowPage(currentTab);
  return hwnd;
}

void TabParamSetting_CL::CreatePages(HWND parent) {
  sizePage = std::make_unique<TabItemDialogImageSize_CL>();
  sizePage->Create(parent, *links);
  effectPage = std::make_unique<TabItemDialogEffect_CL>();
  effectPage->Create(parent, *links);
  savePage = std::make_unique<TabItemDialogSave_CL>();
  savePage->Create(parent, *links);
  for (const SubClassDialogBase_CL* page : {static_cast<SubClassDialogBase_CL*>(sizePage.get()),
                                            static_cast<SubClassDialogBase_CL*>(effectPage.get()),
                                            static_cast<SubClassDialogBase_CL*>(savePage.get())}) {
    if (page->hwnd) WatchPageSize(page->hwnd);
  }
  // The pages follow the tab control in the tab order; it never paints over the shown page,
  // whose place is cut out of its window (KeepOffPage).
  for (const SubClassDialogBase_CL* page : {static_cast<SubClassDialogBase_CL*>(savePage.get()),
                                            static_cast<SubClassDialogBase_CL*>(effectPage.get()),
                                            static_cast<SubClassDialogBase_CL*>(sizePage.get())}) {
    if (page->hwnd) SetWindowPos(page->hwnd, hwnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void TabParamSetting_CL::CreateStartButton() {
  startButton = controls.As<Button_CL>(controls.AddButton(hwnd, kStartButtonText, 0));
  if (!startButton) return;
  startButton->id = startButtonId;
  if (startButton->hwnd) SetWindowLongPtrW(startButton->hwnd, GWLP_ID, startButtonId);
  startButton->SetFontScale(startButtonFontScale, dpi);
  links->convertButton = startButton;
}

void TabParamSetting_CL::UseDpi(int newDpi, HFONT tabFont) {
  dpi = newDpi;
  UseFont(tabFont, dpi);
  for (int k = 0; k < pageCount; ++k) {
    if (SubClassDialogBase_CL* page = PageAt(k)) page->UseDpi(dpi);
  }
  if (startButton) startButton->SetFontScale(startButtonFontScale, dpi);
  PlaceStartButton();
  KeepOffPage();
}

SubClassDialogBase_CL* TabParamSetting_CL::PageAt(int index) const {
  SubClassDialogBase_CL* page = nullptr;
  switch (index) {
    case 0:
      page = sizePage.get();
      break;
    case 1:
      page = effectPage.get();
      break;
    case 2:
      page = savePage.get();
      break;
    default:
      break;
  }
  return page && page->hwnd ? page : nullptr;
}

void TabParamSetting_CL::ShowPage(int index) {
  SubClassDialogBase_CL* const next = PageAt(index);
  if (!next) return;
  currentTab = index;

  RECT previous{};
  const bool hadPage = currentPage && currentPage->hwnd && GetWindowRect(currentPage->hwnd, &previous);
  for (int k = 0; k < pageCount; ++k) {
    if (const SubClassDialogBase_CL* page = PageAt(k)) ShowWindow(page->hwnd, SW_HIDE);
  }
  currentPage = next;
  if (startButton && startButton->hwnd) {
    SetParent(startButton->hwnd, next->hwnd);
    // Last on every page: the focus reaches it after everything it starts with.
    PlaceLastInTabOrder(startButton->hwnd);
  }
  if (hadPage) {
    POINT corner{previous.left, previous.top};
    ScreenToClient(GetParent(hwnd), &corner);
    SetWindowPos(next->hwnd, nullptr, corner.x, corner.y, previous.right - previous.left,
                 previous.bottom - previous.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  PlaceStartButton();
  ShowWindow(next->hwnd, SW_SHOW);
}

void TabParamSetting_CL::SwitchPage(int step) {
  // A drag (a slider's thumb) keeps its page until the button is let go.
  if (GetCapture() != nullptr || !hwnd) return;
  const int next = ((currentTab + step) % pageCount + pageCount) % pageCount;
  SendMessageW(hwnd, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
  ShowPage(next);
  FocusPage();
}

void TabParamSetting_CL::FocusPage() const {
  const HWND page = CurrentPageWindow();
  const HWND first = page ? FirstTabStop(page) : nullptr;
  if (first) SendMessageW(GetParent(hwnd), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

void TabParamSetting_CL::KeepOffPage() const {
  RECT window{};
  if (!hwnd || !GetWindowRect(hwnd, &window)) return;
  const RECT whole{0, 0, window.right - window.left, window.bottom - window.top};
  RECT display = whole;
  SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  if (IsRectEmpty(&display)) {
    SetWindowRgn(hwnd, nullptr, TRUE);
    return;
  }
  const GdiRegion outside(CreateRectRgnIndirect(&whole));
  const GdiRegion hole(CreateRectRgnIndirect(&display));
  if (!outside || !hole || CombineRgn(outside.get(), outside.get(), hole.get(), RGN_DIFF) == ERROR) return;
  // The window owns the region from here on.
  GdiRegion owned(CreateRectRgn(0, 0, 0, 0));
  if (owned && CombineRgn(owned.get(), outside.get(), nullptr, RGN_COPY) != ERROR &&
      SetWindowRgn(hwnd, owned.get(), TRUE)) {
    owned.release();
  }
}

HWND TabParamSetting_CL::CurrentPageWindow() const { return currentPage ? currentPage->hwnd : nullptr; }

void TabParamSetting_CL::SyncEffectPage() {
  if (effectPage && effectPage->hwnd) effectPage->ShowPhoto(links->settings->CurrentItem());
  if (savePage && savePage->hwnd) savePage->ShowPatternName();
}

void TabParamSetting_CL::ShowSettings() {
  for (ParameterPage_CL* page : {static_cast<ParameterPage_CL*>(sizePage.get()),
                                 static_cast<ParameterPage_CL*>(effectPage.get()),
                                 static_cast<ParameterPage_CL*>(savePage.get())}) {
    if (page != nullptr && page->hwnd != nullptr) page->ShowAgain();
  }
  SyncEffectPage();
}

void TabParamSetting_CL::PlaceStartButton() const {
  if (!currentPage || !currentPage->hwnd || !startButton || !startButton->hwnd) return;
  if (GetParent(startButton->hwnd) != currentPage->hwnd) return;
  RECT page{};
  if (!GetWindowRect(currentPage->hwnd, &page)) return;
  const int width = page.right - page.left;
  const int height = page.bottom - page.top;
  const int margin = HighDpiHelper_CL::Scale(startButtonMargin, dpi);
  const int buttonHeight = HighDpiHelper_CL::Scale(startButtonHeight, dpi);
  SetWindowPos(startButton->hwnd, nullptr, margin, height - buttonHeight - margin, width - 2 * margin, buttonHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TabParamSetting_CL::WatchPageSize(HWND page) {
  SetWindowSubclass(page, PageMessage, kPageWatchId, reinterpret_cast<DWORD_PTR>(this));
}

void TabParamSetting_CL::StopWatchingPages() {
  for (int k = 0; k < pageCount; ++k) {
    const SubClassDialogBase_CL* const page = PageAt(k);
    if (page && IsWindow(page->hwnd)) RemoveWindowSubclass(page->hwnd, PageMessage, kPageWatchId);
  }
}

LRESULT TabParamSetting_CL::TabMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_SIZE) return 0;
  auto* const control = reinterpret_cast<ControlBase_CL*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!control || control->kind != kindCode || !control->previousProc) return 0;
  // The tab control wraps its rows in its own handling: the display area is known after it.
  const LRESULT result = CallWindowProcW(control->previousProc, window, message, wParam, lParam);
  control->handled = 1;
  const auto* const host = static_cast<const TabParamSetting_CL*>(control);
  host->PlaceStartButton();
  host->KeepOffPage();
  return result;
}

LRESULT CALLBACK TabParamSetting_CL::PageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR self) {
  if (message == WM_SIZE) {
    const auto* const host = reinterpret_cast<const TabParamSetting_CL*>(self);
    if (host->CurrentPageWindow() == window) host->PlaceStartButton();
  }
  return DefSubclassProc(window, message, wParam, lParam);
}
