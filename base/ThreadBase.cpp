#include "base/ThreadBase.h"

namespace {

// A queue holds at most 10000 messages; when it is full, posting the quit message has to wait
// until the worker has taken some (or has ended).
void PostQuitUntilTaken(DWORD threadId, HANDLE thread) {
  while (!PostThreadMessageW(threadId, MSG_THREAD_QUIT, 0, 0)) {
    if (WaitForSingleObject(thread, 10) != WAIT_TIMEOUT) return;
  }
}

}  // namespace

ThreadBase_CL::~ThreadBase_CL() { Stop(); }

int ThreadBase_CL::Start() {
  if (singleStart && startEvent) return 0;
  if (startEvent) Stop();  // never lose a running worker by starting another over it
  stopRequested = 0;
  return StartWorker() ? 0 : static_cast<int>(E_FAIL);
}

bool ThreadBase_CL::StartWorker() {
  startEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!startEvent) return false;
  if (!thread.RunAsync([this] { RunMessageLoop(); })) {
    startEvent.reset();
    return false;
  }
  // Either the worker reports its queue ready, or it has died before doing so.
  const HANDLE waitFor[] = {startEvent.get(), thread.Handle()};
  WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
  return true;
}

void ThreadBase_CL::RunMessageLoop() {
  CreateThreadQueue();
  MSG msg;
  running = 1;
  SetEvent(startEvent.get());
  while (running) {
    if (GetMessageW(&msg, nullptr, MSG_THREAD_FIRST, MSG_THREAD_LAST) <= 0) {
      running = 0;  // the queue is unusable; nothing more can arrive
      break;
    }
    const int answer = OnMessage(msg.message, msg.wParam, msg.lParam);
    if (answer == 0 && msg.message == MSG_THREAD_QUIT) running = 0;
  }
}

void ThreadBase_CL::Stop() {
  if (thread.Started()) {
    PostQuitUntilTaken(thread.Id(), thread.Handle());
    thread.Join();
  }
  startEvent.reset();
  running = 0;
}

BOOL ThreadBase_CL::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (thread.Id() == 0) return FALSE;
  return PostThreadMessageW(thread.Id(), message, wParam, lParam);
}
