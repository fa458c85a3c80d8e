#pragma once
// The one way the program starts a thread: a platform thread that runs one function and is
// owned by this object. Join waits for it; the destructor joins too, so a thread never
// outlives what it works on. Both thread bases and the batch's workers are built on it.
#include <windows.h>

#include <functional>

#include "base/Owned.h"

class WorkerThread {
public:
  WorkerThread() = default;
  ~WorkerThread() { Join(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs `body` on a new thread: true when it was started. A thread still running from an
  // earlier Start is joined first.
  bool Start(std::function<void()> body);
  // Waits for the thread to end (no time limit) and closes its handle. Does nothing when no
  // thread was started, and does not wait when called by the thread itself.
  void Join();

  bool Started() const { return static_cast<bool>(handle); }
  DWORD Id() const { return id; }
  HANDLE Handle() const { return handle.get(); }

private:
  static DWORD WINAPI Main(LPVOID self);

  std::function<void()> work;
  KernelHandle handle;
  DWORD id = 0;
};
