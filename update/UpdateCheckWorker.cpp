#include "update/UpdateCheckWorker.h"

#include <new>
#include <string>

#include "base/PostToWindow.h"
#include "base/WorkerThread.h"

bool UpdateCheckWorker::Start(const UpdateCheck_CL& check, HWND target, UINT message) {
  // Copies: the check and the window may be gone before the fetch ends.
  const UpdateEndpoint endpoint = check.endpoint;
  const std::wstring path = check.versionPath;
  const DWORD timeoutMs = check.timeoutMs;
  const DWORD limitMs = check.limitMs;
  return WorkerThread::RunDetached([=] {
    std::unique_ptr<VersionFile> result(new (std::nothrow) VersionFile(FetchVersionFile(endpoint, path, timeoutMs, limitMs)));
    if (!result) return;
    // A window closed meanwhile refuses the message, and the result goes with the thread.
    PostToWindow(target, message, 0, std::move(result));
  });
}

std::unique_ptr<VersionFile> UpdateCheckWorker::TakeResult(LPARAM lParam) { return TakePosted<VersionFile>(lParam); }
