#pragma once
// The one way the program runs work off the user-interface thread: RunAsync runs a function
// on a platform thread owned by this object. Join waits for it; the destructor joins too, so
// a thread never outlives what it works on. Both thread bases, the batch's workers, the
// decoder's helpers and the preview's two halves are built on it. A worker hands a window its
// result only by a posted message (base/Messages.h).
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
  // earlier RunAsync is joined first.
  bool RunAsync(std::function<void()> body);
  // Runs `body` on a thread that nobody joins, for work that may stay blocked in the platform
  // (a network call) after whoever started it has gone: the thread owns body and everything
  // body holds, and ends by itself. True when it was started.
  static bool RunDetached(std::function<void()> body);
  // Waits for the thread to end (no time limit) and closes its handle. Does nothing when no
  // thread was started, and does not wait when called by the thread itself.
  void Join();

  bool Started() const { return static_cast<bool>(handle); }
  DWORD Id() const { return id; }
  HANDLE Handle() const { return handle.get(); }

private:
  static DWORD WINAPI Main(LPVOID self);
  static DWORD WINAPI DetachedMain(LPVOID body);

  std::function<void()> work;
  KernelHandle handle;
  DWORD id = 0;
};
