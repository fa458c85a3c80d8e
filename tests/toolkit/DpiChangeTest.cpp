// A window moved to a screen of another scale while it works.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "toolkit/EasyProgress.h"

namespace {

// Counts ten items; half way it is moved to a screen of twice the DPI, and it looks at its
// own window there before it counts the rest.
class MovedJob : public EasyProgress_CL {
public:
  MovedJob() : EasyProgress_CL(L"数えています", 1) {}

  void Run() override {
    AddToTarget(10);
    for (int i = 0; i < 5; ++i) CountDone();
    startDpi = dpi;
    GetClientRect(hwnd, &clientBefore);
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    suggested = RECT{frame.left, frame.top, frame.left + 2 * (frame.right - frame.left),
                     frame.top + 2 * (frame.bottom - frame.top)};
    PostMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(2 * startDpi, 2 * startDpi), reinterpret_cast<LPARAM>(&suggested));
    for (int waited = 0; waited < 5000 && dpi != 2 * startDpi; waited += 10) Sleep(10);
    Sleep(100);
    GetClientRect(hwnd, &clientAfter);
    GetWindowRect(progressBar->hwnd, &bar);
    GetWindowRect(cancelButton->hwnd, &button);
    for (int i = 5; i < 10; ++i) CountDone();
    finishedWith = cancelRequested.load();
    CloseDialog();
  }

  int startDpi = 0;
  RECT suggested{};
  RECT clientBefore{};
  RECT clientAfter{};
  RECT bar{};
  RECT button{};
  std::atomic<int> finishedWith{-1};
};

}  // namespace

TEST(DpiChange, ProgressWindowMovedMidJobIsLaidOutAgainAndTheJobCountsOn) {
  MovedJob job;
  job.autoStart = 1;
  job.RunModal(0, 0, nullptr);
  EXPECT_EQ(job.finishedWith.load(), 0) << "the job was not cancelled";
  EXPECT_EQ(job.lastPosition, EasyProgress_CL::fullPosition) << "every item was counted";
  EXPECT_EQ(job.dpi, 2 * job.startDpi);
  EXPECT_GT(job.clientAfter.right, job.clientBefore.right * 3 / 2) << "the window took the larger rectangle";
  EXPECT_EQ(job.bar.right, job.button.left) << "the cancel button follows the bar";
  EXPECT_EQ(job.button.right - job.bar.left, job.clientAfter.right) << "together they fill the window";
  EXPECT_EQ(job.bar.bottom - job.bar.top, job.clientAfter.bottom);
}
