#include "update/UpdateCheckWorker.h"

#include <string>

#include "base/LogFile.h"
#include "base/WorkerThread.h"

bool UpdateCheckWorker::Start(const UpdateCheck_CL& check, std::shared_ptr<WindowPost> post, Receiver receiver) {
  if (!post) return false;
  // Copies: the check and the window may be gone before the fetch ends.
  const UpdateEndpoint endpoint = check.endpoint;
  const std::wstring path = check.versionPath;
  const DWORD timeoutMs = check.timeoutMs;
  const DWORD limitMs = check.limitMs;
  return WorkerThread::RunDetached([=] {
    // The program's log may be gone by the time the network answers: the fetch writes to
    // its own, which travels with the result.
    auto fetchLog = std::make_shared<LogFile>();
    fetchLog->keepLines = true;
    const VersionFile file = FetchVersionFile(endpoint, path, timeoutMs, limitMs, *fetchLog);
    // A window closed meanwhile refuses the result, and it goes with the thread.
    post->Post([receiver, file, fetchLog] { receiver(file, *fetchLog); });
  });
}
