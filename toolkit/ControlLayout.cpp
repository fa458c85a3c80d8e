#include "toolkit/ControlLayout.h"

namespace {

constexpr int cornerMargin = 4;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace

RECT RectInParent(const ControlBase_CL& control) {
  RECT r{};
  GetWindowRect(control.hwnd, &r);
  MapWindowPoints(nullptr, GetParent(control.hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void MoveX(const ControlBase_CL& control, int x) {
  if (!control.hwnd) return;
  const RECT r = RectInParent(control);
  MoveWindow(control.hwnd, x, r.top, Width(r), Height(r), TRUE);
}

void MoveTo(const ControlBase_CL& control, int x, int y) {
  if (!control.hwnd) return;
  const RECT r = RectInParent(control);
  MoveWindow(control.hwnd, x, y, Width(r), Height(r), TRUE);
}

int StackVertically(std::initializer_list<int> indices, const ControlFactory_CL& factory, int y, int gap) {
  for (const int index : indices) {
    if (index == -1) break;
    const ControlBase_CL* const control = factory.At(index);
    if (!control || !control->hwnd) continue;
    const RECT r = RectInParent(*control);
    MoveWindow(control->hwnd, r.left, y, Width(r), Height(r), TRUE);
    y += Height(r) + gap;
  }
  return y;
}

void AlignPairBottomRight(const ControlFactory_CL& factory, int index, HWND dialog) {
  const ControlBase_CL* const first = factory.At(index);
  const ControlBase_CL* const second = factory.At(index + 1);
  if (!first || !second || !first->hwnd || !second->hwnd) return;
  RECT client{};
  GetClientRect(dialog, &client);
  const RECT a = RectInParent(*first);
  const RECT b = RectInParent(*second);
  const int secondX = client.right - cornerMargin - Width(b);
  const int secondY = client.bottom - cornerMargin - Height(b);
  MoveWindow(second->hwnd, secondX, secondY, Width(b), Height(b), TRUE);
  MoveWindow(first->hwnd, secondX - cornerMargin - Width(a), secondY, Width(a), Height(a), TRUE);
}

void EncloseControl(const ControlBase_CL& control, GroupBox_CL& groupBox) {
  const RECT c = RectInParent(control);
  const RECT g = RectInParent(groupBox);
  if (g.left + groupBox.extentWidth < c.right) groupBox.extentWidth = c.right - g.left;
  if (g.top + groupBox.extentHeight < c.bottom) groupBox.extentHeight = c.bottom - g.top;
}

namespace {

bool IsFrame(HWND window) {
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  return lstrcmpiW(className, L"Button") == 0 && (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

void SetGroupStart(HWND window, bool starts) {
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  const LONG wanted = starts ? (style | WS_GROUP) : (style & ~WS_GROUP);
  if (wanted != style) SetWindowLongW(window, GWL_STYLE, wanted);
}

constexpr UINT kZOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

// A run of radio buttons is one tab stop: the checked one (a radio button takes or gives up
// WS_TABSTOP with its check), or the first while none is checked.
void TabStopOnChecked(const std::vector<HWND>& run) {
  bool checked = false;
  for (const HWND radio : run) {
    const LRESULT state = SendMessageW(radio, BM_GETCHECK, 0, 0);
    SendMessageW(radio, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    const LONG style = GetWindowLongW(radio, GWL_STYLE);
    SetWindowLongW(radio, GWL_STYLE, state == BST_CHECKED ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    checked = checked || state == BST_CHECKED;
  }
  if (!checked && !run.empty()) SetWindowLongW(run.front(), GWL_STYLE, GetWindowLongW(run.front(), GWL_STYLE) | WS_TABSTOP);
}

}  // namespace

void SetTabOrder(const std::vector<const ControlBase_CL*>& order, const std::vector<const ControlBase_CL*>& frames) {
  HWND previous = HWND_TOP;
  std::vector<HWND> run;  // the radio buttons of the run being laid
  const auto endRun = [&run] {
    TabStopOnChecked(run);
    run.clear();
  };
  bool newRun = true;
  for (const ControlBase_CL* control : order) {
    if (!control) {
      newRun = true;
      continue;
    }
    if (!control->hwnd) continue;
    const bool radio = control->kind == RadioButton_CL::kindCode;
    if (!radio || newRun) endRun();
    SetGroupStart(control->hwnd, !(radio && !run.empty()));
    if (radio) run.push_back(control->hwnd);
    newRun = false;
    SetWindowPos(control->hwnd, previous, 0, 0, 0, 0, kZOrderOnly);
    previous = control->hwnd;
  }
  endRun();
  for (const ControlBase_CL* frame : frames) {
    if (!frame || !frame->hwnd) continue;
    SetGroupStart(frame->hwnd, true);
    SetWindowPos(frame->hwnd, HWND_BOTTOM, 0, 0, 0, 0, kZOrderOnly);
  }
}

StaticText_CL* AddHiddenLabel(ControlFactory_CL& factory, HWND parent, const std::wstring& text) {
  StaticText_CL* const label = factory.As<StaticText_CL>(factory.AddStaticText(parent, text, 0, 0));
  if (label && label->hwnd) ShowWindow(label->hwnd, SW_HIDE);
  return label;
}

void PlaceLastInTabOrder(HWND control) {
  const HWND parent = GetParent(control);
  if (!parent) return;
  HWND last = GetWindow(GetWindow(parent, GW_CHILD), GW_HWNDLAST);
  while (last && (last == control || IsFrame(last))) last = GetWindow(last, GW_HWNDPREV);
  SetGroupStart(control, true);
  SetWindowPos(control, last ? last : HWND_TOP, 0, 0, 0, 0, kZOrderOnly);
}

namespace {

bool TakesFocus(HWND window) {
  return IsWindowVisible(window) && IsWindowEnabled(window) && (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP);
}

bool IsRadio(HWND window) {
  return (SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

}  // namespace

HWND FirstTabStop(HWND dialog) {
  HWND first = GetWindow(dialog, GW_CHILD);
  while (first && !TakesFocus(first)) first = GetWindow(first, GW_HWNDNEXT);
  if (!first || !IsRadio(first)) return first;
  for (HWND radio = first; radio; radio = GetWindow(radio, GW_HWNDNEXT)) {
    if (radio != first && (GetWindowLongW(radio, GWL_STYLE) & WS_GROUP)) break;
    if (IsRadio(radio) && TakesFocus(radio) && SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED) return radio;
  }
  return first;
}
