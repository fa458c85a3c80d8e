#include "base/EasyThreadBase.h"

#include "base/Messages.h"

EasyThreadBase_CL::~EasyThreadBase_CL() { Join(); }

DWORD EasyThreadBase_CL::Start() {
  thread.Join();
  running = 1;
  cancelRequested = 0;
  if (!startEvent) startEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  // Without the event the worker would signal, or without the worker, there is nothing to wait for.
  if (!startEvent || !thread.RunAsync([this] { Main(); })) {
    running = 0;
    return WAIT_FAILED;
  }
  return WaitForSingleObject(startEvent.get(), INFINITE);
}

void EasyThreadBase_CL::Join() {
  thread.Join();
  startEvent.reset();
}

void EasyThreadBase_CL::Main() {
  running = 1;
  CreateThreadQueue();
  SetEvent(startEvent.get());
  Run();
  running = 0;
}
