#pragma once
// libvips' error words, kept with the photo that caused them.
//
// libvips writes the words of every failure into one buffer for the whole process, and
// several photos are worked on at once (the batch's workers, the strip's decoder, the
// preview). Words read right after a failure may be another photo's, and clearing the
// buffer may take another photo's words away. So libvips work runs in one of two ways:
// - shared (VipsSharedWork): any number of threads at once; nobody reads or clears the
//   buffer, TakeVipsError answers nothing;
// - alone (VipsAloneWork): no other libvips work runs; the buffer is cleared when it
//   starts, so what TakeVipsError reads then belongs to this work only.
// A step that failed while shared is done once more alone for its words (RunForWords):
// failures are rare and small, and the photos that succeed never wait for one another.
#include <functional>
#include <string>
#include <vector>

// Marks the calling thread's libvips work as shared for its lifetime. Waits while some
// thread works alone or is waiting to. Does nothing on a thread that works alone already.
class VipsSharedWork {
public:
  VipsSharedWork();
  ~VipsSharedWork();
  VipsSharedWork(const VipsSharedWork&) = delete;
  VipsSharedWork& operator=(const VipsSharedWork&) = delete;

private:
  bool entered = false;
};

// Marks the calling thread's libvips work as alone for its lifetime: waits until no shared
// work runs, then clears the error buffer (what was left there belongs to shared work, whose
// words are never read). Nested on one thread, only the outermost one waits and clears.
// A thread must not hold a VipsSharedWork when it makes one.
class VipsAloneWork {
public:
  VipsAloneWork();
  ~VipsAloneWork();
  VipsAloneWork(const VipsAloneWork&) = delete;
  VipsAloneWork& operator=(const VipsAloneWork&) = delete;
};

// The words libvips wrote since this thread's alone work began, as UTF-16, and the buffer
// cleared; empty when there are none or when the thread does not work alone.
std::wstring TakeVipsError();

// While it lives, what libvips writes to glib's log is kept here instead of going to the
// program's log (VipsSession), for the alone work that made it: no other libvips work runs
// then, so every line, from whichever of libvips' threads, is about that work. One at a time.
class VipsLogLines {
public:
  VipsLogLines();
  ~VipsLogLines();
  VipsLogLines(const VipsLogLines&) = delete;
  VipsLogLines& operator=(const VipsLogLines&) = delete;
  // The lines kept so far, and none kept any more.
  std::vector<std::string> Take();
};

// Keeps `message` for the VipsLogLines that lives now; false when none does.
bool KeptByVipsLogLines(const char* message);

// Runs `step` as shared work; when `failedForWords` says its outcome needs libvips' words,
// runs it once more alone and answers that second outcome.
template <typename Outcome>
Outcome RunForWords(const std::function<Outcome()>& step,
                    const std::function<bool(const Outcome&)>& failedForWords) {
  {
    const VipsSharedWork shared;
    Outcome outcome = step();
    if (!failedForWords(outcome)) return outcome;
  }
  const VipsAloneWork alone;
  return step();
}
