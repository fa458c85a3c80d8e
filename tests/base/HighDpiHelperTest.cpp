#include <gtest/gtest.h>
#include <windows.h>

#include "base/HighDpiHelper.h"

namespace {

int isAwareCalls = 0;
int awarenessToReport = 0;

HRESULT WINAPI FailingAwareness(HANDLE, int*) { return E_ACCESSDENIED; }
HRESULT WINAPI ReportingAwareness(HANDLE, int* awareness) {
  *awareness = awarenessToReport;
  return S_OK;
}
BOOL WINAPI AwareByOldCall() {
  ++isAwareCalls;
  return TRUE;
}

int ScreenDpiX() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace

TEST(HighDpiHelper, AwarenessComesFromTheNewerCallWhenItExists) {
  isAwareCalls = 0;
  awarenessToReport = 0;
  EXPECT_EQ(HighDpiHelper_CL::AwarenessFrom(ReportingAwareness, AwareByOldCall), 0);
  awarenessToReport = 2;
  EXPECT_EQ(HighDpiHelper_CL::AwarenessFrom(ReportingAwareness, AwareByOldCall), 1);
  EXPECT_EQ(HighDpiHelper_CL::AwarenessFrom(FailingAwareness, AwareByOldCall), 0)
      << "a failing call means unaware";
  EXPECT_EQ(isAwareCalls, 0) << "the older call is not consulted when the newer exists";
  EXPECT_EQ(HighDpiHelper_CL::AwarenessFrom(nullptr, AwareByOldCall), 1);
  EXPECT_EQ(isAwareCalls, 1);
  EXPECT_EQ(HighDpiHelper_CL::AwarenessFrom(nullptr, nullptr), 0);
}

TEST(HighDpiHelper, UnawareProcessScalesByTheReportedDpi) {
  HighDpiHelper_CL dpi;
  dpi.aware = 0;
  dpi.dpiX = 144;
  dpi.dpiY = 144;
  EXPECT_EQ(dpi.ScaleX(360), 540);
  EXPECT_EQ(dpi.ScaleY(160), 240);
  dpi.aware = 1;
  EXPECT_EQ(dpi.ScaleX(360), 360);
  EXPECT_EQ(dpi.ScaleY(160), 160);
}

TEST(HighDpiHelper, OldSystemIsUnawareWithTheScreenDpi) {
  HighDpiHelper_CL dpi;
  dpi.InitForVersion(5);
  EXPECT_EQ(dpi.aware, 0);
  EXPECT_EQ(dpi.dpiX, ScreenDpiX());
  EXPECT_EQ(dpi.ScaleX(480), MulDiv(480, ScreenDpiX(), 96));
}
