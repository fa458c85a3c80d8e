#include <gtest/gtest.h>
#include <windows.h>

#include "tests/toolkit/HostWindow.h"
#include "toolkit/ScrollBar.h"

namespace {

constexpr WPARAM WheelTowardUser = static_cast<WPARAM>(static_cast<WORD>(-WHEEL_DELTA)) << 16;
constexpr WPARAM WheelAwayFromUser = static_cast<WPARAM>(WHEEL_DELTA) << 16;

// A window with both bars; its vertical bar runs 0..200 with a page of 40.
class ScrolledWindow {
public:
  ScrolledWindow()
      : hwnd(CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0, 0, 200, 150,
                             host.get(), nullptr, GetModuleHandleW(nullptr), nullptr)) {
    bar.Bind(hwnd, SB_VERT, SIF_ALL);
    bar.info.nMin = 0;
    bar.info.nMax = 200;
    bar.info.nPage = 40;
    bar.Apply();
  }
  HostWindow host;
  HWND hwnd;
  ScrollBar_CL bar;
};

}  // namespace

TEST(ScrollBar, WheelMovesAQuarterPageAndStopsAtMaxMinusPage) {
  ScrolledWindow w;
  w.bar.HandleMessage(w.hwnd, WM_MOUSEWHEEL, WheelTowardUser, 0);
  EXPECT_EQ(w.bar.info.nPos, 10);
  EXPECT_EQ(GetScrollPos(w.hwnd, SB_VERT), 10) << "the window's bar follows";
  w.bar.info.nPos = 155;
  w.bar.HandleMessage(w.hwnd, WM_MOUSEWHEEL, WheelTowardUser, 0);
  EXPECT_EQ(w.bar.info.nPos, 160) << "not past max - page";
  w.bar.HandleMessage(w.hwnd, WM_MOUSEWHEEL, WheelAwayFromUser, 0);
  EXPECT_EQ(w.bar.info.nPos, 150);
  w.bar.info.nPos = 3;
  w.bar.HandleMessage(w.hwnd, WM_MOUSEWHEEL, WheelAwayFromUser, 0);
  EXPECT_EQ(w.bar.info.nPos, 0) << "not below min";
  w.bar.wheelStep = 25;
  w.bar.HandleMessage(w.hwnd, WM_MOUSEWHEEL, WheelTowardUser, 0);
  EXPECT_EQ(w.bar.info.nPos, 25);
}

TEST(ScrollBar, ScrollCodesMoveByLinePageOrWheelStep) {
  ScrolledWindow w;
  w.bar.lineStep = 3;
  w.bar.info.nPos = 50;
  w.bar.Scroll(SB_LINEDOWN, false);
  EXPECT_EQ(w.bar.info.nPos, 53);
  w.bar.Scroll(SB_LINEUP, false);
  EXPECT_EQ(w.bar.info.nPos, 50);
  w.bar.Scroll(SB_PAGEDOWN, false);
  EXPECT_EQ(w.bar.info.nPos, 90);
  w.bar.Scroll(SB_PAGEUP, true);
  EXPECT_EQ(w.bar.info.nPos, 80) << "with the flag a page code moves by the wheel step";
  w.bar.Scroll(SB_TOP, false);
  EXPECT_EQ(w.bar.info.nPos, 80) << "codes above the thumb codes move nothing";
  w.bar.HandleMessage(w.hwnd, WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(w.bar.info.nPos, 80) << "a vertical bar ignores WM_HSCROLL";
  w.bar.HandleMessage(w.hwnd, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(w.bar.info.nPos, 83);
}

TEST(ScrollBar, ThumbCodesMoveToTheTrackPosition) {
  ScrolledWindow w;
  // Outside a drag the track position is the bar's own position.
  SetScrollPos(w.hwnd, SB_VERT, 77, TRUE);
  w.bar.HandleMessage(w.hwnd, WM_VSCROLL, SB_THUMBTRACK, 0);
  EXPECT_EQ(w.bar.info.nPos, 77);
  EXPECT_EQ(w.bar.info.fMask, static_cast<UINT>(SIF_ALL)) << "reading the track position keeps the mask";
}

TEST(ScrollBar, PageLargerThanTheRangeKeepsThePositionAtMin) {
  ScrolledWindow w;
  w.bar.info.nMax = 30;
  w.bar.info.nPage = 40;
  w.bar.info.nPos = 0;
  w.bar.HandleMessage(w.hwnd, WM_MOUSEWHEEL, WheelTowardUser, 0);
  EXPECT_EQ(w.bar.info.nPos, 0);
}
