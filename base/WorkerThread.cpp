#include "base/WorkerThread.h"

#include <memory>
#include <new>
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

bool WorkerThread::RunDetached(std::function<void()> body) {
  std::unique_ptr<std::function<void()>> owned(new (std::nothrow) std::function<void()>(std::move(body)));
  if (!owned) return false;
  const KernelHandle thread(CreateThread(nullptr, 0, &WorkerThread::DetachedMain, owned.get(), 0, nullptr));
  if (!thread) return false;
  owned.release();
  return true;
}

DWORD WINAPI WorkerThread::DetachedMain(LPVOID body) {
  const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
  (*owned)();
  return 0;
}
