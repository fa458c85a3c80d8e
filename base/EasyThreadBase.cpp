#include "base/EasyThreadBase.h"

#include "base/Messages.h"

EasyThreadBase_CL::~EasyThreadBase_CL() { Join(); }

DWORD EasyThreadBase_CL::Start(int firstArgument, int secondArgument) {
  thread.Join();
  running = 1;
  argument1 = firstArgument;
  argument2 = secondArgument;
  cancelRequested = 0;
  if (!startEvent) startEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  // Without the event the worker would signal, or without the worker, there is nothing to wait for.
  if (!startEvent || !thread.Start([this] { Main(); })) {
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
  Run(argument1, argument2);
  Finish(cancelRequested.load());
  running = 0;
}
