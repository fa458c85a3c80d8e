#include "mainwindow/PreviewWorker.h"

#include "base/PostToWindow.h"
#include "base/Messages.h"

PreviewWorker_CL::~PreviewWorker_CL() { StopNow(); }

void PreviewWorker_CL::StopNow() {
  {
    const CriticalSectionLock lock(waitingLock);
    waiting.reset();
    cutShort = 1;
  }
  Stop();
}

void PreviewWorker_CL::Submit(std::unique_ptr<PreviewRequest> request) {
  if (!request) return;
  {
    const CriticalSectionLock lock(waitingLock);
    if (!inHandPath.empty() && request->photo.path != inHandPath) cutShort = 1;
    waiting = std::move(request);
  }
  if (!IsStarted()) Start();
  Post(MSG_PREVIEW_WORK, 0, 0);
}

std::unique_ptr<PreviewRequest> PreviewWorker_CL::TakeWaiting() {
  const CriticalSectionLock lock(waitingLock);
  std::unique_ptr<PreviewRequest> request = std::move(waiting);
  inHandPath = request ? request->photo.path : std::wstring();
  cutShort = 0;
  return request;
}

int PreviewWorker_CL::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  if (message != MSG_PREVIEW_WORK) return 0;
  // Several wake-ups may stand for one request: the first takes it, the others find none.
  const std::unique_ptr<PreviewRequest> request = TakeWaiting();
  if (!request) return 0;
  std::unique_ptr<PreviewResult> result = maker.Make(*request, &cutShort);
  ++renders;
  // A read cut short was overtaken by a request for another photo, which comes next.
  if (result->failure != PhotoFailure::Cancelled) Deliver(std::move(result));
  const CriticalSectionLock lock(waitingLock);
  inHandPath.clear();
  return 0;
}

void PreviewWorker_CL::Deliver(std::unique_ptr<PreviewResult> result) const {
  PostToWindow(targetWindow, WM_PREVIEW_READY, 0, std::move(result));
}
