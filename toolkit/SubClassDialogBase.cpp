#include "toolkit/SubClassDialogBase.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>
#include <new>

#include "base/HighDpiHelper.h"
#include "toolkit/ControlBase.h"

namespace {

SubClassDialogBase_CL* BoundObject(HWND window) {
  return reinterpret_cast<SubClassDialogBase_CL*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Put16(std::byte* at, WORD value) { std::memcpy(at, &value, sizeof(value)); }
void Put32(std::byte* at, DWORD value) { std::memcpy(at, &value, sizeof(value)); }

// One fullwidth "Ｗ" in the screen's own font. A fullwidth letter is as wide as it is tall;
// a screen font without that glyph (Wine's system font has none) draws a narrow stand-in,
// which would squeeze every page to half its width, so such a unit is taken as square.
SIZE MeasureLayoutUnit() {
  SIZE unit = MeasureOnScreen(L"\xFF37", nullptr);
  if (unit.cx * 4 < unit.cy * 3) unit.cx = unit.cy;
  return unit;
}

// The unit is the screen font's, measured once and grown with the DPI, but never smaller
// than the dialog font's at that DPI: fonts do not grow in step with the DPI, and a row of
// the unit's height must hold a line of the dialog's text.
LayoutMetrics MetricsOf(const RECT& r, int width, int height, int dpi, HFONT font) {
  static const SIZE screenUnit = MeasureLayoutUnit();
  static const int systemDpi = HighDpiHelper_CL::SystemDpi();
  SIZE unit{MulDiv(screenUnit.cx, dpi, systemDpi), MulDiv(screenUnit.cy, dpi, systemDpi)};
  if (font) {
    const SIZE fontUnit = MeasureOnScreen(L"\xFF37", font);
    if (fontUnit.cy > unit.cy) unit.cy = fontUnit.cy;
    if (fontUnit.cx > unit.cx && fontUnit.cx * 4 >= fontUnit.cy * 3) unit.cx = fontUnit.cx;
  }
  return LayoutMetrics{r.left, r.top, r.right, r.bottom, width, height, unit.cx, unit.cy, dpi};
}

int DpiOf(HWND window) {
  const SubClassDialogBase_CL* const object = BoundObject(window);
  return object ? object->dpi : HighDpiHelper_CL::WindowDpi(window);
}

HFONT FontOf(HWND window) {
  const SubClassDialogBase_CL* const object = BoundObject(window);
  return object ? object->font : nullptr;
}

}  // namespace

SubClassDialogBase_CL::~SubClassDialogBase_CL() {
  // A window that outlives its object must not reach it any more.
  if (hwnd && IsWindow(hwnd) && BoundObject(hwnd) == this) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

const DLGTEMPLATE* SubClassDialogBase_CL::BuildTemplate() {
  if (!templateBuffer) templateBuffer.reset(new (std::nothrow) std::byte[templateBytes]);
  if (!templateBuffer) return nullptr;
  std::byte* const t = templateBuffer.get();
  std::memset(t, 0, templateBytes);
  Put32(t + 0, style);           // style
  Put32(t + 4, 0);               // extended style
  Put16(t + 8, 0);               // item count: no controls
  Put16(t + 10, 0);              // x
  Put16(t + 12, 0);              // y
  Put16(t + 14, templateWidth);  // cx
  Put16(t + 16, templateHeight); // cy
  Put16(t + 18, 0);              // no menu
  Put16(t + 20, 0);              // the platform's dialog class
  Put16(t + 22, 0);              // empty title
  return reinterpret_cast<const DLGTEMPLATE*>(t);
}

INT_PTR SubClassDialogBase_CL::RunModal(int, int, HWND parent) {
  const DLGTEMPLATE* dialogTemplate = BuildTemplate();
  if (!dialogTemplate) return -1;
  parentWindow = parent;
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, parent, StaticDialogProc,
                                 reinterpret_cast<LPARAM>(this));
}

HWND SubClassDialogBase_CL::CreateModeless(HWND parent) {
  const DLGTEMPLATE* dialogTemplate = BuildTemplate();
  if (!dialogTemplate) return nullptr;
  parentWindow = parent;
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, parent, StaticDialogProc,
                                    reinterpret_cast<LPARAM>(this));
}

INT_PTR SubClassDialogBase_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DPICHANGED:
      OnDpiChanged(wParam, reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      EndDialog(window, 0);
      return 0;
    case WM_INITDIALOG:
      ShowWindow(window, SW_SHOW);
      return 1;
    default:
      return 0;
  }
}

void SubClassDialogBase_CL::Bind(HWND window, HWND handleOutValue) {
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  hwnd = window;
  inbox.Open(window);
  if (handleOut) *handleOut = handleOutValue;
  dc.emplace(window);
  dpi = HighDpiHelper_CL::WindowDpi(window);
  MakeFont();
}

// The stock font itself at the system's DPI, so that such a window draws as it always has.
void SubClassDialogBase_CL::MakeFont() {
  const HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  GdiFont next;
  if (dpi != HighDpiHelper_CL::SystemDpi()) next = HighDpiHelper_CL::MakeGuiFont(dpi);
  font = next ? next.get() : stock;
  if (hwnd) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  dpiFont = std::move(next);
}

void SubClassDialogBase_CL::UseDpi(int newDpi) {
  dpi = HighDpiHelper_CL::ValidDpi(newDpi);
  MakeFont();
  DpiChanged();
}

// The window takes the rectangle the system suggests first, so that what is laid out for the
// new DPI is laid out in the window's new size.
void SubClassDialogBase_CL::OnDpiChanged(WPARAM wParam, const RECT* suggested) {
  if (suggested) {
    SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  UseDpi(HIWORD(wParam));
  InvalidateRect(hwnd, nullptr, TRUE);
}

INT_PTR SubClassDialogBase_CL::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        SubClassDialogBase_CL* bindingObject, HWND handleOutValue) {
  SubClassDialogBase_CL* object = BoundObject(window);
  if (!object) {
    if (message != WM_INITDIALOG || !bindingObject) return 0;
    object = bindingObject;
    object->Bind(window, handleOutValue);
  }
  if (object->inbox.Handle(message)) return TRUE;
  // Nothing a worker posts runs once the window is going.
  if (message == WM_DESTROY) object->inbox.Close();
  const INT_PTR result = object->DialogProc(window, message, wParam, lParam);
  // The device context goes back now; the font goes with the object.
  if (message == WM_DESTROY) object->dc.reset();
  return result;
}

INT_PTR CALLBACK SubClassDialogBase_CL::StaticDialogProc(HWND window, UINT message, WPARAM wParam,
                                                         LPARAM lParam) {
  SubClassDialogBase_CL* creator =
      message == WM_INITDIALOG ? reinterpret_cast<SubClassDialogBase_CL*>(lParam) : nullptr;
  return Dispatch(window, message, wParam, lParam, creator, window);
}

INT_PTR CALLBACK SubClassDialogBase_CL::SettingsPageProc(HWND window, UINT message, WPARAM wParam,
                                                         LPARAM lParam) {
  SubClassDialogBase_CL* creator = nullptr;
  if (message == WM_INITDIALOG && lParam) {
    creator = reinterpret_cast<SubClassDialogBase_CL*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
  }
  return Dispatch(window, message, wParam, lParam, creator, message == WM_INITDIALOG ? GetParent(window) : nullptr);
}

void SubClassDialogBase_CL::CenterOnOwner(HWND owner, HWND dialog) {
  SetParent(dialog, nullptr);
  RECT reference{};
  if (GetWindowLongW(owner, GWL_STYLE) & WS_MINIMIZE) {
    reference = RECT{0, 0, GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN)};
  } else {
    GetWindowRect(owner, &reference);
  }
  RECT client{};
  GetClientRect(dialog, &client);
  const int w = client.right - client.left;
  const int h = client.bottom - client.top;
  const int x = reference.left + (reference.right - w - reference.left) / 2;
  const int y = reference.top + (reference.bottom - h - reference.top) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LayoutMetrics SubClassDialogBase_CL::ClientLayout(HWND dialog) {
  RECT r{};
  GetClientRect(dialog, &r);
  return MetricsOf(r, r.right - r.left, r.bottom - r.top, DpiOf(dialog), FontOf(dialog));
}

LayoutMetrics SubClassDialogBase_CL::PageLayout(HWND page) {
  const HWND tab = reinterpret_cast<HWND>(SendMessageW(GetParent(page), PSM_GETTABCONTROL, 0, 0));
  RECT area{};
  if (tab) {
    GetClientRect(tab, &area);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  }
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  return MetricsOf(RECT{0, 0, w, h}, w, h, DpiOf(page), FontOf(page));
}
