#include "base/PostToWindow.h"

UINT PostedWorkMessage() {
  static const UINT message = RegisterWindowMessageW(L"Glimmerset.PostedWork");
  return message;
}

bool WindowPost::Post(std::unique_ptr<PostedWork> work) {
  if (!work) return false;
  const CriticalSectionLock hold(lock);
  if (!open) return false;
  // One wake-up stands for everything queued until the window answers it.
  if (!wakeQueued) {
    if (!PostMessageW(window, PostedWorkMessage(), 0, 0)) return false;
    wakeQueued = true;
  }
  waiting.push_back(std::move(work));
  return true;
}

bool WindowPost::Open() {
  const CriticalSectionLock hold(lock);
  return open;
}

std::deque<std::unique_ptr<PostedWork>> WindowPost::TakeAll() {
  const CriticalSectionLock hold(lock);
  wakeQueued = false;
  if (!open) return {};
  return std::exchange(waiting, {});
}

std::deque<std::unique_ptr<PostedWork>> WindowPost::Close() {
  const CriticalSectionLock hold(lock);
  open = false;
  return std::exchange(waiting, {});
}

void PostInbox::Open(HWND window) {
  Close();
  token = std::make_shared<WindowPost>(window);
}

bool PostInbox::Handle(UINT message) {
  if (message != PostedWorkMessage()) return false;
  if (!token) return true;
  // Taken first and run outside the lock: a closure may open a modal window, whose loop
  // answers the next wake-up, or close the window and end this inbox.
  const std::shared_ptr<WindowPost> post = token;
  for (std::unique_ptr<PostedWork>& work : post->TakeAll()) {
    if (!post->Open()) break;
    work->Run();
  }
  return true;
}

void PostInbox::Close() {
  if (!token) return;
  // Freed here, on the window's thread, outside the token's lock.
  token->Close();
  token.reset();
}
