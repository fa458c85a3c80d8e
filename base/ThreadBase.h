#pragma once
// Base of a long-lived worker thread that sleeps in its own message queue and hands every
// numbered message in 1224..5320 to OnMessage. Start returns only once the worker's queue
// exists, so nothing posted afterwards is lost; Stop queues a quit message behind the work
// already posted and waits for the worker to end.
//
// A derived class must call Stop() in its own destructor: once the derived part is gone the
// worker could no longer reach its OnMessage.
#include <windows.h>

#include <atomic>

#include "base/CriticalSection.h"
#include "base/Messages.h"
#include "base/Owned.h"
#include "base/WorkerThread.h"


class ThreadBase_CL {
public:
  ThreadBase_CL() = default;
  ThreadBase_CL(const ThreadBase_CL&) = delete;
  ThreadBase_CL& operator=(const ThreadBase_CL&) = delete;

  // Runs on the worker for every message taken from its queue. Must answer 0 to
  // MSG_THREAD_QUIT for the loop to end.
  virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual ~ThreadBase_CL();
  // Starts the worker and returns once its queue exists: 0, or E_FAIL when no worker could be
  // started.
  virtual int Start();
  // Asks the worker to quit after the messages already queued, waits for it and releases the
  // handles. Does nothing when no worker runs.
  virtual void Stop();

  // Posts a message to the worker's queue (any number; the worker reads only its range).
  BOOL Post(UINT message, WPARAM wParam, LPARAM lParam) const;
  DWORD ThreadId() const { return thread.Id(); }
  bool IsStarted() const { return static_cast<bool>(startEvent); }

protected:
  WorkerThread thread;
  KernelHandle startEvent;
  std::atomic<int> stopRequested{0};
  std::atomic<int> running{0};
  CriticalSection_CL lock;
  int singleStart = 0;

private:
  void RunMessageLoop();
  bool StartWorker();
};
