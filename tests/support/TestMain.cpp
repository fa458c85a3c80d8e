// The body of every test program: COM, GDI+ and the common controls are up for all tests,
// as they are in the running program.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/GpOwned.h"
#include "tests/support/TestMain.h"

int RunTestProgram(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  CoInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                            ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  int result = 1;
  {
    GdiplusSession gdiplus;
    if (!gdiplus.Started()) return 2;
    result = RUN_ALL_TESTS();
  }
  CoUninitialize();
  return result;
}
