#include "toolkit/ControlBase.h"

#include <optional>
#include <vector>

#include "base/HighDpiHelper.h"

namespace {

ControlBase_CL* BoundControl(HWND window) {
  return reinterpret_cast<ControlBase_CL*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

constexpr LONG scaledFontWeight = 100;

}  // namespace

HWND MakeChildWindow(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int id, HFONT font) {
  const HWND child = CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (child != nullptr) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

ControlBase_CL::ControlBase_CL(int kindCode)
    : kind(kindCode), font(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))) {}

ControlBase_CL::~ControlBase_CL() {
  // A subclassed window that outlives its object gets its own procedure back.
  if (hwnd && previousProc && IsWindow(hwnd) && BoundControl(hwnd) == this) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  }
}

LRESULT ControlBase_CL::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return callback ? callback(window, message, wParam, lParam) : 0;
}

void ControlBase_CL::Resize(int width, int height, BOOL repaint) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  POINT corner{r.left, r.top};
  ScreenToClient(GetParent(hwnd), &corner);
  MoveWindow(hwnd, corner.x, corner.y, width, height, static_cast<BYTE>(repaint));
}

HWND ControlBase_CL::CreateControl(DWORD exStyle, const wchar_t* className, const std::wstring& text,
                                   DWORD style, int x, int y, int width, int height, HWND parent,
                                   int controlId, bool sendFont) {
  id = controlId;
  hwnd = CreateWindowExW(exStyle, className, text.c_str(), style, x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), GetModuleHandleW(nullptr),
                         this);
  if (hwnd && sendFont) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return hwnd;
}

void ControlBase_CL::Subclass() {
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  previousProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc));
  inbox.Open(hwnd);
}

void ControlBase_CL::SetFontScale(float factor, int dpi) {
  fontScale = factor;
  GdiFont next = HighDpiHelper_CL::MakeGuiFont(dpi, factor, scaledFontWeight);
  font = next ? next.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (hwnd) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  // The control uses the new font now; the old one can go.
  scaledFont = std::move(next);
}

void ControlBase_CL::UseFont(HFONT dpiFont, int dpi) {
  if (fontScale > 0.0f) {
    SetFontScale(fontScale, dpi);
    return;
  }
  font = dpiFont ? dpiFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (hwnd) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::wstring ControlBase_CL::GetText() const {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  const int copied = GetWindowTextW(hwnd, buffer.data(), length + 1);
  return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

int ControlBase_CL::IsChecked() const { return static_cast<int>(SendMessageW(hwnd, BM_GETCHECK, 0, 0)); }

SIZE MeasureOnScreen(const std::wstring& text, HFONT font) {
  const WindowDc screen(nullptr);
  std::optional<SelectedObject> selected;
  if (font) selected.emplace(screen.get(), font);
  RECT r{0, 0, 0x8000, 0x8000};
  DrawTextW(screen.get(), text.c_str(), -1, &r, DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

LRESULT CALLBACK ControlBase_CL::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlBase_CL* const object = BoundControl(window);
  if (!object) return 0;
  if (object->inbox.Handle(message)) return 0;
  // Nothing a worker posts runs once the window is going.
  if (message == WM_DESTROY) object->inbox.Close();
  // A handler may send further messages to its own window; each keeps its own flag.
  const int outerHandled = object->handled;
  object->handled = 0;
  const LRESULT result = object->HandleMessage(window, message, wParam, lParam);
  const int handledHere = object->handled;
  object->handled = outerHandled;
  if (message == WM_DESTROY) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->previousProc));
    return result;
  }
  if (!handledHere) return CallWindowProcW(object->previousProc, window, message, wParam, lParam);
  return result;
}
