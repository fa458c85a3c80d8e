#pragma once
// The one job through which photos join the list, whichever way they came in (the open
// dialog, a drop, the command line, a hand-over from a second start). A worker of its own
// walks the paths of each request in turn and posts what it finds to the window in batches
// (through the window's post token), so the strip fills while the folders are read and the
// user-interface thread never lists a folder. Requests run in the order they were added; StopAll ends the walk in
// hand and every request still waiting, keeping what was already found.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/CriticalSection.h"
#include "base/PostToWindow.h"
#include "base/WorkerThread.h"
#include "engine/PhotoList.h"
#include "intake/FindPicture.h"

// What one request walks.
struct IntakeRequest {
  std::vector<std::wstring> paths;  // files, wildcards or folders (searched with their sub-folders)
  SkippedFolders skipped;           // the output folders, passed over
  // Each photo once: a photo whose path is in `listed` (or was found before) is not taken
  // again, the path compared without regard to case.
  bool onceEach = false;
  std::vector<std::wstring> listed;
};

// A folder the walk could not list, with the platform's error.
struct UnreadFolder {
  std::wstring folder;
  DWORD error = 0;
};

// What the worker posts: photos found since the last batch. The last batch of a request has
// `done` set, and `stopped` when StopAll ended it.
struct IntakeBatch {
  std::uint64_t request = 0;
  std::vector<PhotoItem> photos;
  std::vector<UnreadFolder> unread;
  std::size_t folders = 0;  // folders of this request listed so far
  bool done = false;
  bool stopped = false;
};

class IntakeJob_CL {
public:
  IntakeJob_CL() = default;
  ~IntakeJob_CL() { Shutdown(); }
  IntakeJob_CL(const IntakeJob_CL&) = delete;
  IntakeJob_CL& operator=(const IntakeJob_CL&) = delete;

  // Where the batches go: `receive` runs on the thread of the window that `post` belongs to,
  // and never after that window has gone. Set before the first Add.
  using Receiver = std::function<void(std::unique_ptr<IntakeBatch>)>;
  void SetTarget(std::shared_ptr<WindowPost> post, Receiver receive);
  // Queues a request behind the ones waiting and answers its number, from 1 up. Every
  // request ends with exactly one batch that has `done` set.
  std::uint64_t Add(IntakeRequest request);
  // Ends the walk in hand and every request added so far; each still posts its last batch.
  void StopAll();
  // Stops the walk in hand (after the folder entry in hand) and waits for the worker; the
  // requests still waiting are dropped and nothing more is posted. The window calls it when
  // it closes.
  void Shutdown();

  // Called on the worker before each folder is listed: a seam that slows the listing for
  // tests and benchmarks. Set before the first Add.
  std::function<void(const std::wstring& folder)> beforeListing;
  // A batch is posted at most this often while a walk goes on.
  static constexpr DWORD kBatchIntervalMs = 100;

private:
  struct Queued {
    std::uint64_t number = 0;
    IntakeRequest request;
  };
  void RunWorker();
  // The next request, or false once the job is going away.
  bool WaitForNext(Queued& next);
  void Walk(const Queued& queued);
  bool IsStopped(std::uint64_t number) const { return number <= stopThrough.load(); }

  std::shared_ptr<WindowPost> target;
  Receiver receiver;
  CriticalSection_CL lock;
  CONDITION_VARIABLE arrived = CONDITION_VARIABLE_INIT;  // with `lock`
  std::deque<Queued> queue;                               // under `lock`
  bool quit = false;                                      // under `lock`
  std::uint64_t lastNumber = 0;                           // the adding thread's
  std::atomic<std::uint64_t> stopThrough{0};              // requests up to this one are stopped
  WorkerThread worker;
};
