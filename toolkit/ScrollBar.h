#pragma once
// The horizontal or vertical scroll bar of a window (not a scroll-bar control): its state,
// and scrolling by the scroll codes and the mouse wheel.
#include <windows.h>

class ScrollBar_CL {
public:
  ScrollBar_CL() = default;
  virtual ~ScrollBar_CL() = default;
  // WM_HSCROLL (horizontal bar only), WM_VSCROLL (vertical bar only), WM_MOUSEWHEEL. Returns 0.
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Binds to the window's bar (SB_HORZ or SB_VERT) with all values 0 and applies them.
  void Bind(HWND window, int whichBar, UINT mask);
  // Moves by a scroll code (SB_LINEUP .. SB_THUMBTRACK); wheelSized makes page codes move
  // by the wheel step instead of a page.
  void Scroll(int code, bool wheelSized);
  // Moves by delta, keeps the position between min and max - page, applies it.
  void MoveBy(int delta);
  // Writes info to the window's bar, with redraw.
  void Apply();
  // wheelStep, or a quarter page when it is -1.
  int Step() const;

  HWND hwnd = nullptr;
  SCROLLINFO info{sizeof(SCROLLINFO), 0, 0, 0, 0, 0, 0};
  int bar = SB_HORZ;
  int wheelStep = -1;
  int lineStep = 1;
};
