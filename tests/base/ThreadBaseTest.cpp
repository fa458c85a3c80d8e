#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "base/ThreadBase.h"

namespace {

constexpr UINT kSlowMessage = 2000;  // the handler takes a while over this one

// Records every message the worker hands to OnMessage, in order.
class RecordingThread : public ThreadBase_CL {
public:
  explicit RecordingThread(int single = 0) { singleStart = single; }
  ~RecordingThread() override { Stop(); }

  int OnMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message == kSlowMessage) {
      SetEvent(slowEntered.get());
      Sleep(300);
      slowFinished = true;
    }
    const std::lock_guard<std::mutex> guard(mutex);
    seen.push_back({message, wParam});
    return 0;
  }

  std::vector<std::pair<UINT, WPARAM>> Seen() {
    const std::lock_guard<std::mutex> guard(mutex);
    return seen;
  }

  KernelHandle slowEntered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<bool> slowFinished{false};

private:
  std::mutex mutex;
  std::vector<std::pair<UINT, WPARAM>> seen;
};

using Seen = std::vector<std::pair<UINT, WPARAM>>;

}  // namespace

TEST(ThreadBase, StopWithoutWorkerReturnsAtOnce) {
  RecordingThread worker;
  const ULONGLONG before = GetTickCount64();
  worker.Stop();
  EXPECT_FALSE(worker.Post(MSG_THREAD_FIRST, 0, 0));
  EXPECT_LT(GetTickCount64() - before, 100u);
  EXPECT_FALSE(worker.IsStarted());
}

TEST(ThreadBase, MessagesPostedRightAfterStartArriveInOrder) {
  RecordingThread worker;
  ASSERT_EQ(worker.Start(), 0);
  Seen expected;
  for (WPARAM i = 0; i < 300; ++i) {
    ASSERT_TRUE(worker.Post(MSG_THREAD_FIRST + 10, i, 0));
    expected.push_back({MSG_THREAD_FIRST + 10, i});
  }
  worker.Stop();
  expected.push_back({MSG_THREAD_QUIT, 0});
  EXPECT_EQ(worker.Seen(), expected);
}

TEST(ThreadBase, MessagesOutsideTheRangeNeverReachTheHandler) {
  RecordingThread worker;
  worker.Start();
  for (const UINT message : {UINT{WM_USER}, MSG_THREAD_FIRST - 1, MSG_THREAD_FIRST, MSG_THREAD_LAST, MSG_THREAD_LAST + 1})
    worker.Post(message, 7, 0);
  worker.Stop();
  EXPECT_EQ(worker.Seen(), (Seen{{MSG_THREAD_FIRST, 7}, {MSG_THREAD_LAST, 7}, {MSG_THREAD_QUIT, 0}}));
}

TEST(ThreadBase, SecondStartKeepsTheWorkerWhenSingleStartAndStopRestarts) {
  RecordingThread worker(1);
  worker.Start();
  const DWORD first = worker.ThreadId();
  worker.Start();
  EXPECT_EQ(worker.ThreadId(), first);
  worker.Post(1300, 1, 0);
  worker.Stop();
  worker.Start();
  worker.Post(1300, 2, 0);
  worker.Stop();
  EXPECT_EQ(worker.Seen(), (Seen{{1300, 1}, {MSG_THREAD_QUIT, 0}, {1300, 2}, {MSG_THREAD_QUIT, 0}}));
}

TEST(ThreadBase, SecondStartWithoutSingleStartEndsTheFirstWorkerInsteadOfLosingIt) {
  RecordingThread worker(0);
  worker.Start();
  worker.Post(1300, 1, 0);
  worker.Start();
  worker.Post(1300, 2, 0);
  worker.Stop();
  EXPECT_EQ(worker.Seen(), (Seen{{1300, 1}, {MSG_THREAD_QUIT, 0}, {1300, 2}, {MSG_THREAD_QUIT, 0}}));
}

TEST(ThreadBase, StopDuringALongHandlerWaitsForItAndTheQuit) {
  RecordingThread worker;
  worker.Start();
  worker.Post(kSlowMessage, 0, 0);
  ASSERT_EQ(WaitForSingleObject(worker.slowEntered.get(), 5000), WAIT_OBJECT_0);
  worker.Stop();
  EXPECT_TRUE(worker.slowFinished);
  EXPECT_EQ(worker.Seen(), (Seen{{kSlowMessage, 0}, {MSG_THREAD_QUIT, 0}}));
}
