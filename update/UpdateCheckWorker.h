#pragma once
// Runs an update check's fetch on a thread of its own, so that a network that accepts and
// never answers cannot hold up the window, and hands the received version file to a window by
// a posted message. Nothing waits for the thread: a window closed during the fetch ends at
// once, and the thread, which owns everything it uses, ends by itself within the fetch's limit.
#include <windows.h>

#include <memory>

#include "update/UpdateCheck.h"

class UpdateCheckWorker {
public:
  // Starts the fetch of check's version file; its result is posted to target as message with
  // a heap VersionFile in lParam. False when no thread could be started.
  static bool Start(const UpdateCheck_CL& check, HWND target, UINT message);
  // Takes ownership of the VersionFile a posted message carries; null for 0.
  static std::unique_ptr<VersionFile> TakeResult(LPARAM lParam);
};
