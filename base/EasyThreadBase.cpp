#include "base/EasyThreadBase.h"

#include "base/Messages.h"

EasyThreadBase_CL::~EasyThreadBase_CL() { Join(); }

DWORD EasyThreadBase_CL::Start(int firstArgument, int secondArgument) {
  WaitForWorker();
  running = 1;
  argument1 = firstArgument;
  argument2 = secondArgument;
  cancelRequested = 0;
  if (!startEvent) startEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (startEvent) thread.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, &threadId));
  if (!thread) {
    // Without the event the worker would signal, or without the worker, there is nothing to wait for.
    threadId = 0;
    running = 0;
    return WAIT_FAILED;
  }
  return WaitForSingleObject(startEvent.get(), INFINITE);
}

void EasyThreadBase_CL::Join() {
  WaitForWorker();
  startEvent.reset();
}

void EasyThreadBase_CL::WaitForWorker() {
  if (!thread) return;
  if (GetCurrentThreadId() == threadId) return;
  WaitForSingleObject(thread.get(), INFINITE);
  thread.reset();
  threadId = 0;
}

DWORD WINAPI EasyThreadBase_CL::ThreadMain(LPVOID self) {
  auto* const worker = static_cast<EasyThreadBase_CL*>(self);
  worker->running = 1;
  CreateThreadQueue();
  SetEvent(worker->startEvent.get());
  worker->Run(worker->argument1, worker->argument2);
  worker->Finish(worker->cancelRequested.load());
  worker->running = 0;
  return 0;
}
