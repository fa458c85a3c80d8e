#pragma once
// Runs an update check's fetch on a thread of its own, so that a network that accepts and
// never answers cannot hold up the window, and hands the received version file back to the
// window's thread through its post token. Nothing waits for the thread: a window closed
// during the fetch ends at once, and the thread, which owns everything it uses (its log
// included), ends by itself within the fetch's limit.
#include <windows.h>

#include <functional>
#include <memory>

#include "base/PostToWindow.h"
#include "update/UpdateCheck.h"

class LogFile;

class UpdateCheckWorker {
public:
  // Runs on the window's thread with the received file and the fetch's own log (its lines
  // kept in memory, for the receiver to replay into the program's log).
  using Receiver = std::function<void(const VersionFile& file, LogFile& fetchLog)>;

  // Starts the fetch of check's version file; `receiver` gets its result through `post`, only
  // while the window lives. False when no thread could be started.
  static bool Start(const UpdateCheck_CL& check, std::shared_ptr<WindowPost> post, Receiver receiver);
};
