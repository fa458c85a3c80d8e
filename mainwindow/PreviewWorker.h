#pragma once
// The preview's render worker: one thread that makes preview pictures (PreviewMaker_CL) and
// posts each finished one to the target window as WM_PREVIEW_READY (lParam the result, whose
// ownership passes). Only the newest request waits: a request submitted while another waits
// replaces it, so a slider dragged over many values renders only the values the worker gets
// round to, and always the last. A request for another photo also cuts short the read of the
// photo in hand.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "base/PostToWindow.h"
#include "base/CriticalSection.h"
#include "base/ThreadBase.h"
#include "mainwindow/PreviewMaker.h"

class PreviewWorker_CL : public ThreadBase_CL {
public:
  PreviewWorker_CL() = default;
  // Ends the worker as StopNow does.
  ~PreviewWorker_CL() override;
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Puts `request` in place of the one waiting (if any) and wakes the worker.
  void Submit(std::unique_ptr<PreviewRequest> request);
  // Drops the waiting request, cuts the one in hand short and ends the worker; a later
  // Submit starts it again.
  void StopNow();
  void SetTargetWindow(HWND window) { targetWindow = window; }
  // Takes ownership of the result carried by a WM_PREVIEW_READY.
  static std::unique_ptr<PreviewResult> TakeResult(LPARAM lParam) {
    return TakePosted<PreviewResult>(lParam);
  }

  std::atomic<int> renders{0};  // requests the worker has rendered

private:
  std::unique_ptr<PreviewRequest> TakeWaiting();
  void Deliver(std::unique_ptr<PreviewResult> result) const;

  HWND targetWindow = nullptr;
  CriticalSection_CL waitingLock;
  std::unique_ptr<PreviewRequest> waiting;  // guarded by waitingLock
  std::wstring inHandPath;                  // guarded by waitingLock
  std::atomic<int> cutShort{0};
  PreviewMaker_CL maker;                    // the worker's alone
};
