#pragma once
// How a worker hands a result to a window: the one way work comes back to the user-interface
// thread (work goes out with WorkerThread::RunAsync). The result is owned by the message: the
// window takes it with TakePosted; when the window is gone (or its queue full) it is freed
// here, and a window that closes frees what is still queued for it with DropPosted.
#include <windows.h>

#include <memory>

// Posts `message` with `result` as its lParam to `window`; false, the result freed, when the
// message could not be posted. A null result posts nothing.
template <typename T>
bool PostToWindow(HWND window, UINT message, WPARAM wParam, std::unique_ptr<T> result) {
  if (window == nullptr || !result) return false;
  if (!PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(result.get()))) return false;
  result.release();  // the message owns it now
  return true;
}

// The result a PostToWindow message carries, owned by the caller.
template <typename T>
std::unique_ptr<T> TakePosted(LPARAM lParam) {
  return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}

// Frees the results of `message` still queued for `window`: called when the window closes,
// after the worker that posts them has stopped.
template <typename T>
void DropPosted(HWND window, UINT message) {
  if (window == nullptr) return;
  MSG pending;
  while (PeekMessageW(&pending, window, message, message, PM_REMOVE)) TakePosted<T>(pending.lParam);
}
