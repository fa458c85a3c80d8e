#include "toolkit/ScrollBar.h"

void ScrollBar_CL::Bind(HWND window, int whichBar, UINT mask) {
  hwnd = window;
  bar = whichBar;
  info = SCROLLINFO{sizeof(SCROLLINFO), mask, 0, 0, 0, 0, 0};
  Apply();
}

void ScrollBar_CL::Apply() { SetScrollInfo(hwnd, bar, &info, TRUE); }

int ScrollBar_CL::Step() const { return wheelStep == -1 ? static_cast<int>(info.nPage) / 4 : wheelStep; }

void ScrollBar_CL::MoveBy(int delta) {
  int position = info.nPos + delta;
  // Upper limit first, so that a page larger than the range leaves the position at min.
  const int last = info.nMax - static_cast<int>(info.nPage);
  if (position > last) position = last;
  if (position < info.nMin) position = info.nMin;
  info.nPos = position;
  Apply();
}

void ScrollBar_CL::Scroll(int code, bool wheelSized) {
  const int page = static_cast<int>(info.nPage);
  switch (code) {
    case SB_LINEUP:
      MoveBy(-lineStep);
      break;
    case SB_LINEDOWN:
      MoveBy(lineStep);
      break;
    case SB_PAGEUP:
      MoveBy(wheelSized ? -Step() : -page);
      break;
    case SB_PAGEDOWN:
      MoveBy(wheelSized ? Step() : page);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      // Read into a record of its own: info's mask is what Apply writes.
      SCROLLINFO track{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(hwnd, bar, &track);
      MoveBy(track.nTrackPos - info.nPos);
      break;
    }
    default:
      break;
  }
}

LRESULT ScrollBar_CL::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_HSCROLL:
      if (bar == SB_HORZ) Scroll(LOWORD(wParam), false);
      break;
    case WM_VSCROLL:
      if (bar == SB_VERT) Scroll(LOWORD(wParam), false);
      break;
    case WM_MOUSEWHEEL: {
      // Positive wheel delta in the high word: turned away from the user, move back.
      const auto value = static_cast<INT32>(static_cast<UINT32>(wParam));
      MoveBy(value > 0xFFFF ? -Step() : Step());
      break;
    }
    default:
      break;
  }
  return 0;
}
