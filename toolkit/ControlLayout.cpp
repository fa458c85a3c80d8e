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
