#pragma once
// The preview's render worker: one thread, started with the first request and reused for
// every later one, that makes preview pictures (PreviewMaker_CL) and hands each finished one
// to its receiver on the target's thread, through the target's post token. Only
// the newest request waits: a request submitted while another waits replaces it, so a slider
// dragged over many values renders only the values the worker gets round to, and always the
// last. A request for another photo also cuts short the read of the photo in hand.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "base/CriticalSection.h"
#include "base/PostToWindow.h"
#include "base/WorkerThread.h"
#include "mainwindow/PreviewMaker.h"

class PreviewWorker_CL {
public:
  PreviewWorker_CL() = default;
  // Ends the worker as StopNow does.
  ~PreviewWorker_CL();
  PreviewWorker_CL(const PreviewWorker_CL&) = delete;
  PreviewWorker_CL& operator=(const PreviewWorker_CL&) = delete;

  // Puts `request` in place of the one waiting (if any) and wakes the worker, starting it
  // when none runs.
  void Submit(std::unique_ptr<PreviewRequest> request);
  // Drops the waiting request, cuts the one in hand short and ends the worker; a later
  // Submit starts it again.
  void StopNow();
  // Where finished pictures go: `receive` runs on the thread of the window that `post`
  // belongs to, while that window lives. Set before the first Submit.
  using Receiver = std::function<void(std::unique_ptr<PreviewResult>)>;
  void SetTarget(std::shared_ptr<WindowPost> post, Receiver receive);

  std::atomic<int> renders{0};  // requests the worker has rendered

private:
  // The worker's loop: waits for a request, renders it, until told to end.
  void Serve();
  // The newest request once there is one; none when the worker is to end.
  std::unique_ptr<PreviewRequest> WaitForRequest();
  void Deliver(std::unique_ptr<PreviewResult> result) const;

  std::shared_ptr<WindowPost> target;  // set on the user-interface thread while no worker runs
  Receiver receiver;
  CriticalSection_CL waitingLock;
  CONDITION_VARIABLE requestArrived = CONDITION_VARIABLE_INIT;  // with waitingLock
  std::unique_ptr<PreviewRequest> waiting;  // guarded by waitingLock
  std::wstring inHandPath;                  // guarded by waitingLock
  bool quit = false;                        // guarded by waitingLock
  std::atomic<int> cutShort{0};
  PreviewMaker_CL maker;                    // the worker's alone
  WorkerThread thread;                      // last: joined before the rest goes
};
