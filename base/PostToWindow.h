#pragma once
// How work comes back to a window's thread (work goes out with WorkerThread::RunAsync).
//
// A window opens a PostInbox when it is made and closes it at WM_DESTROY. A worker holds the
// inbox's WindowPost (a lifetime token, shared) and posts closures to it: each runs on the
// window's thread, from the window procedure, in the order posted, and only while the window
// lives. A closure posted after the window has gone is refused and freed at once, on the
// poster's thread; the closures still waiting when it closes are freed then. One registered
// message wakes the window; it carries no pointer, so nothing but a closure queued here runs.
// A result travels in the closure that owns it.
#include <windows.h>

#include <deque>
#include <memory>
#include <type_traits>
#include <utility>

#include "base/CriticalSection.h"

// The message that tells a window closures wait for it.
UINT PostedWorkMessage();

// A closure for a window's thread, movable only: it may own a result.
class PostedWork {
public:
  virtual ~PostedWork() = default;
  virtual void Run() = 0;
};

template <typename F>
class PostedClosure : public PostedWork {
public:
  explicit PostedClosure(F function) : function(std::move(function)) {}
  void Run() override { function(); }

private:
  F function;
};

// The token workers post through; valid, and refusing, after its window has gone.
class WindowPost {
public:
  explicit WindowPost(HWND window) : window(window) {}
  WindowPost(const WindowPost&) = delete;
  WindowPost& operator=(const WindowPost&) = delete;

  // Queues the work for the window's thread: false, the work freed here, when the window
  // has closed or cannot be woken.
  bool Post(std::unique_ptr<PostedWork> work);
  template <typename F>
  bool Post(F function) {
    return Post(std::unique_ptr<PostedWork>(new PostedClosure<std::decay_t<F>>(std::move(function))));
  }
  // Whether the window still takes work.
  bool Open();

private:
  friend class PostInbox;
  // The window's thread: the work queued so far, the wake-up now answered.
  std::deque<std::unique_ptr<PostedWork>> TakeAll();
  // The window's thread: refuse from now on; what waits is handed back to be freed there.
  std::deque<std::unique_ptr<PostedWork>> Close();

  CriticalSection_CL lock;
  HWND window;
  bool open = true;
  bool wakeQueued = false;
  std::deque<std::unique_ptr<PostedWork>> waiting;
};

// The window's end: made at its creation, closed at WM_DESTROY (or when the object goes).
class PostInbox {
public:
  PostInbox() = default;
  ~PostInbox() { Close(); }
  PostInbox(const PostInbox&) = delete;
  PostInbox& operator=(const PostInbox&) = delete;

  void Open(HWND window);
  // The token for workers; null before Open.
  std::shared_ptr<WindowPost> Token() const { return token; }
  // From the window procedure: runs the waiting closures when `message` is the wake-up.
  // True when it was.
  bool Handle(UINT message);
  // No closure runs after this; the waiting ones are freed.
  void Close();

private:
  std::shared_ptr<WindowPost> token;
};
