#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/Owned.h"
#include "tests/support/ProgressProbe.h"
#include "toolkit/EasyProgress.h"
#include "base/EasyThreadBase.h"

namespace {

// Counts `items` items; optionally waits for `release` first, or for a cancel request.
class CountingJob : public EasyProgress_CL {
public:
  explicit CountingJob(int itemCount, int withCancelButton = 0)
      : EasyProgress_CL(L"数えています", withCancelButton), items(itemCount) {}
  void Run() override {
    if (release) WaitForSingleObject(release.get(), 10000);
    if (untilCancelled) {
      for (int waited = 0; waited < 10000 && cancelRequested.load() == 0; waited += 10) Sleep(10);
    }
    AddToTarget(static_cast<std::uint64_t>(items));
    for (int i = 0; i < items; ++i) CountDone();
    finishedWith = cancelRequested.load();
    CloseDialog();
  }

  int items;
  KernelHandle release;
  bool untilCancelled = false;
  std::atomic<int> finishedWith{-1};
};

class RecordingThread : public EasyThreadBase_CL {
public:
  ~RecordingThread() override { Join(); }
  void Run() override {
    ++runs;
    runningDuringRun = IsRunning();
    ranOn = GetCurrentThreadId();
    // The worker has a message queue of its own from the start.
    queueReady = PostThreadMessageW(GetCurrentThreadId(), 1300, 0, 0) != 0;
    finishedWith = cancelRequested.load();
  }

  int runs = 0;
  bool runningDuringRun = false;
  bool queueReady = false;
  DWORD ranOn = 0;
  int finishedWith = -1;
};

class OwnerWindow {
public:
  OwnerWindow(int x, int y, int w, int h)
      : hwnd(CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_CAPTION | WS_VISIBLE, x, y, w, h, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  ~OwnerWindow() {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  HWND hwnd;
};

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

}  // namespace

TEST(EasyThread, RunsTheJobOnItsOwnThreadThenFinishes) {
  RecordingThread worker;
  worker.cancelRequested = 1;  // a new start clears it
  EXPECT_EQ(worker.Start(), WAIT_OBJECT_0);
  worker.Join();
  EXPECT_EQ(worker.runs, 1);
  EXPECT_TRUE(worker.runningDuringRun);
  EXPECT_TRUE(worker.queueReady);
  EXPECT_NE(worker.ranOn, GetCurrentThreadId());
  EXPECT_EQ(worker.finishedWith, 0);
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_FALSE(worker.thread.Started());
  EXPECT_FALSE(worker.startEvent);
}

TEST(EasyThread, SecondStartReusesTheStartEventAndWaitsForTheFirstWorker) {
  RecordingThread worker;
  ASSERT_EQ(worker.Start(), WAIT_OBJECT_0);
  const HANDLE firstEvent = worker.startEvent.get();
  ASSERT_EQ(worker.Start(), WAIT_OBJECT_0);
  EXPECT_EQ(worker.startEvent.get(), firstEvent);
  worker.Join();
  EXPECT_EQ(worker.runs, 2);
}

TEST(ProgressDialog, EmptyJobSetsTheBarToZeroAndClosesAtOnce) {
  Observed<CountingJob> job(0);
  EXPECT_EQ(job.RunObserved(), 0);
  EXPECT_LT(job.closeTick - job.openTick, 1500u);
  EXPECT_EQ(job.bar.positions, std::vector<int>{0});
  EXPECT_EQ(job.bar.finalPosition, 0);
  EXPECT_EQ(job.startResult, static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(ProgressDialog, ThreeItemsSendEachPositionOnce) {
  Observed<CountingJob> job(3);
  EXPECT_EQ(job.RunObserved(), 0);
  EXPECT_EQ(job.bar.initialPosition, 0);
  EXPECT_EQ(job.bar.positions, (std::vector<int>{666, 1333, 2000}));
  EXPECT_EQ(job.bar.finalPosition, 2000);
  EXPECT_EQ(job.lastPosition, 2000);
}

TEST(ProgressDialog, FourThousandItemsSendAtMost2000RisingPositions) {
  Observed<CountingJob> job(4000);
  EXPECT_EQ(job.RunObserved(), 0);
  const std::vector<int>& sent = job.bar.positions;
  ASSERT_FALSE(sent.empty());
  EXPECT_LE(sent.size(), 2000u);
  EXPECT_NE(sent.front(), 0) << "position 0 is never re-sent";
  for (size_t i = 1; i < sent.size(); ++i) ASSERT_LT(sent[i - 1], sent[i]) << "at " << i;
  EXPECT_EQ(sent.back(), 2000);
}

TEST(ProgressDialog, HasItsCaptionNoCloseBoxAndABarOver0To2000) {
  Observed<CountingJob> job(1);
  PBRANGE range{-1, -1};
  bool cancelVisible = true;
  RECT client{}, barRect{};
  job.onInit = [&](HWND dialog) {
    SendMessageW(job.progressBar->hwnd, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    cancelVisible = job.cancelButton && (GetWindowLongPtrW(job.cancelButton->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    GetClientRect(dialog, &client);
    GetClientRect(job.progressBar->hwnd, &barRect);
    EXPECT_EQ(WindowText(dialog), L"数えています");
  };
  EXPECT_EQ(job.RunObserved(), 0);
  EXPECT_EQ(job.styleAtStart & (WS_SYSMENU | WS_MINIMIZEBOX), 0);
  EXPECT_NE(job.styleAtStart & WS_CAPTION, 0);
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 2000);
  EXPECT_FALSE(cancelVisible);
  EXPECT_EQ(barRect.right, client.right) << "without a cancel button the bar takes the whole width";
  EXPECT_EQ(barRect.bottom, client.bottom);
}

TEST(ProgressDialog, EnterAndEscapeDoNotCloseIt) {
  Observed<CountingJob> job(2);
  job.release.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  bool openAfterKeys = false;
  constexpr UINT_PTR checkTimer = 5;
  job.onInit = [&](HWND dialog) {
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
      PostMessageW(dialog, WM_KEYDOWN, key, 0);
      PostMessageW(dialog, WM_KEYUP, key, 0);
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    SetTimer(dialog, checkTimer, 400, nullptr);
  };
  job.onTimer = [&](HWND dialog, WPARAM timer) {
    if (timer != checkTimer) return;
    KillTimer(dialog, checkTimer);
    openAfterKeys = IsWindowVisible(dialog) && job.IsRunning();
    SetEvent(job.release.get());
  };
  EXPECT_EQ(job.RunObserved(), 0);
  EXPECT_TRUE(openAfterKeys);
  EXPECT_EQ(job.bar.positions, (std::vector<int>{1000, 2000}));
  EXPECT_EQ(job.finishedWith, 0) << "Enter and Escape are no cancel request";
}

TEST(ProgressDialog, CancelButtonWhenAllowedSitsAtTheRightAndSetsTheFlag) {
  Observed<CountingJob> job(1, 1);
  job.untilCancelled = true;
  RECT client{}, button{}, barRect{};
  job.onInit = [&](HWND dialog) {
    GetClientRect(dialog, &client);
    GetWindowRect(job.cancelButton->hwnd, &button);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&button), 2);
    GetClientRect(job.progressBar->hwnd, &barRect);
    EXPECT_EQ(WindowText(job.cancelButton->hwnd), L"中止");
    EXPECT_TRUE(IsWindowEnabled(job.cancelButton->hwnd));
  };
  // A user's click arrives while the worker runs; the job ends itself once it sees the flag.
  std::thread user([&] {
    // The button exists before the worker starts.
    for (int waited = 0; waited < 10000 && !job.IsRunning(); waited += 5) Sleep(5);
    if (job.IsRunning()) SendMessageW(job.cancelButton->hwnd, BM_CLICK, 0, 0);
  });
  bool enabledAtClose = true;
  job.onClose = [&](HWND) { enabledAtClose = IsWindowEnabled(job.cancelButton->hwnd) != FALSE; };
  EXPECT_EQ(job.RunObserved(), 0);
  user.join();
  EXPECT_EQ(button.right, client.right);
  EXPECT_EQ(button.bottom - button.top, client.bottom - client.top);
  EXPECT_EQ(barRect.right, button.left) << "the bar ends where the button begins";
  EXPECT_EQ(job.finishedWith, 1);
  EXPECT_FALSE(enabledAtClose) << "a second press has nothing more to ask";
  EXPECT_EQ(job.bar.finalPosition, 2000) << "the job, not the button, decided what was left to do";
}

TEST(ProgressDialog, EscapePressesTheCancelButtonButEnterDoesNot) {
  Observed<CountingJob> job(2, 1);
  job.untilCancelled = true;
  constexpr UINT_PTR escapeTimer = 6;
  bool flagAfterEnter = true;
  job.onInit = [&](HWND dialog) {
    PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    SetTimer(dialog, escapeTimer, 300, nullptr);
  };
  job.onTimer = [&](HWND dialog, WPARAM timer) {
    if (timer != escapeTimer) return;
    KillTimer(dialog, escapeTimer);
    flagAfterEnter = job.cancelRequested.load() != 0;
    // Through the dialog's own message loop, as a key press arrives.
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(dialog, WM_KEYUP, VK_ESCAPE, 0);
  };
  bool enabledAtClose = true;
  job.onClose = [&](HWND) { enabledAtClose = IsWindowEnabled(job.cancelButton->hwnd) != FALSE; };
  EXPECT_EQ(job.RunObserved(), 0);
  EXPECT_FALSE(flagAfterEnter);
  EXPECT_EQ(job.finishedWith, 1);
  EXPECT_FALSE(enabledAtClose);
}

TEST(ProgressDialog, CentredAboveTheScreenIsMovedDownToTheTop) {
  const OwnerWindow owner(200, -400, 400, 100);
  Observed<CountingJob> job(1);
  EXPECT_EQ(job.RunObserved(owner.hwnd), 0);
  EXPECT_EQ(job.placedRect.top, 0);
  EXPECT_GT(job.placedRect.left, 150) << "x keeps its centred value";
}
