#include "mainwindow/PreviewWorker.h"

PreviewWorker_CL::~PreviewWorker_CL() { StopNow(); }

void PreviewWorker_CL::SetTarget(std::shared_ptr<WindowPost> post, Receiver receive) {
  StopNow();  // the worker reads the target
  target = std::move(post);
  receiver = std::move(receive);
}

void PreviewWorker_CL::StopNow() {
  {
    const CriticalSectionLock lock(waitingLock);
    waiting.reset();
    cutShort = 1;
    quit = true;
  }
  WakeAllConditionVariable(&requestArrived);
  thread.Join();
  const CriticalSectionLock lock(waitingLock);
  quit = false;
}

void PreviewWorker_CL::Submit(std::unique_ptr<PreviewRequest> request) {
  if (!request) return;
  {
    const CriticalSectionLock lock(waitingLock);
    if (!inHandPath.empty() && request->photo.path != inHandPath) cutShort = 1;
    waiting = std::move(request);
  }
  WakeConditionVariable(&requestArrived);
  if (!thread.Started()) thread.RunAsync([this] { Serve(); });
}

std::unique_ptr<PreviewRequest> PreviewWorker_CL::WaitForRequest() {
  const CriticalSectionLock lock(waitingLock);
  inHandPath.clear();
  while (!quit && !waiting) waitingLock.Wait(requestArrived);
  if (quit) return nullptr;
  std::unique_ptr<PreviewRequest> request = std::move(waiting);
  inHandPath = request->photo.path;
  cutShort = 0;
  return request;
}

void PreviewWorker_CL::Serve() {
  while (const std::unique_ptr<PreviewRequest> request = WaitForRequest()) {
    std::unique_ptr<PreviewResult> result = maker.Make(*request, &cutShort);
    ++renders;
    // A read cut short was overtaken by a request for another photo, which comes next.
    if (result->failure != PhotoFailure::Cancelled) Deliver(std::move(result));
  }
}

void PreviewWorker_CL::Deliver(std::unique_ptr<PreviewResult> result) const {
  if (!target || !receiver) return;
  target->Post([receive = receiver, picture = std::move(result)]() mutable { receive(std::move(picture)); });
}
