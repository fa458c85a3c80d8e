#pragma once
// A one-shot worker thread: Start runs the virtual Run on a new thread (WorkerThread::RunAsync)
// and returns once the thread is up; Join waits for it to end. The object may be started
// again after (or instead of) a Join.
//
// Run belongs to the derived class, so the thread must have ended before the derived part
// goes: whoever starts the worker joins it when the work is done. EasyProgress_CL does that
// for its jobs when its dialog ends, so a job never joins by itself.
#include <windows.h>

#include <atomic>

#include "base/Owned.h"
#include "base/WorkerThread.h"

class EasyThreadBase_CL {
public:
  EasyThreadBase_CL() = default;
  // As Join.
  virtual ~EasyThreadBase_CL();
  EasyThreadBase_CL(const EasyThreadBase_CL&) = delete;
  EasyThreadBase_CL& operator=(const EasyThreadBase_CL&) = delete;

  // Starts the worker; returns the result of waiting for the worker's start signal
  // (WAIT_OBJECT_0), or WAIT_FAILED when no thread could be made. A worker still running from
  // an earlier Start is waited for first.
  virtual DWORD Start();
  // Waits for the worker to end (no time limit), closes its handle and the start event.
  // Does nothing when there is no worker, and does not wait when called by the worker itself.
  virtual void Join();
  // The job's work, on the worker thread.
  virtual void Run() = 0;

  bool IsRunning() const { return running.load() != 0; }

  WorkerThread thread;
  KernelHandle startEvent;  // auto-reset; created by the first Start, kept until Join
  std::atomic<int> cancelRequested{0};
  std::atomic<int> running{0};

private:
  void Main();
};
