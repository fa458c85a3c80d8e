#include "base/WorkerThread.h"

#include <utility>

bool WorkerThread::RunAsync(std::function<void()> body) {
  Join();
  work = std::move(body);
  handle.reset(CreateThread(nullptr, 0, &WorkerThread::Main, this, 0, &id));
  if (!handle) {
    id = 0;
    work = nullptr;
    return false;
  }
  return true;
}

void WorkerThread::Join() {
  if (!handle || GetCurrentThreadId() == id) return;
  WaitForSingleObject(handle.get(), INFINITE);
  handle.reset();
  id = 0;
  work = nullptr;
}

DWORD WINAPI WorkerThread::Main(LPVOID self) {
  static_cast<WorkerThread*>(self)->work();
  return 0;
}
