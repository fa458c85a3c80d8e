#pragma once
// The update check as the main window runs it: once the window is shown, the fetch off its
// thread when a check is due; when the version file comes back, the question, asked only
// while no modal window (a job's progress, a sheet, a message box) is up. The INI store and
// the log are handed in; the fetch itself touches neither.
#include <windows.h>

#include <memory>

#include "base/PostToWindow.h"
#include "update/UpdateCheck.h"

class Inifile_CL;
class LogFile;

// Retries the question while a modal window is up.
constexpr UINT_PTR kUpdateQuestionTimer = 0x4742;
constexpr UINT kUpdateQuestionRetryMs = 200;

class UpdateQuestions_CL {
public:
  UpdateQuestions_CL(Inifile_CL& ini, LogFile& log);
  ~UpdateQuestions_CL();
  UpdateQuestions_CL(const UpdateQuestions_CL&) = delete;
  UpdateQuestions_CL& operator=(const UpdateQuestions_CL&) = delete;

  // Starts the fetch when a check is due; its result comes back through `post`.
  void Start(HWND window, std::shared_ptr<WindowPost> post);
  // The retry timer's turn; false for another timer.
  bool OnTimer(HWND window, UINT_PTR timer);
  // The window closes: no question is asked any more.
  void Close(HWND window);

  // Where the version file is fetched from and the fetch's limits; tests point it at a
  // loopback server and shorten them.
  UpdateEndpoint endpoint = UpdateEndpoint::Maker();
  DWORD timeoutMs = UpdateCheck_CL::kFetchTimeoutMs;
  DWORD limitMs = UpdateCheck_CL::kFetchLimitMs;

private:
  // The window's thread: the fetch's log joins the program's, and the question is asked now
  // or kept until no modal window is up.
  void OnFetched(HWND window, const VersionFile& file, LogFile& fetchLog);
  void AskPending(HWND window);
  std::unique_ptr<UpdateCheck_CL> MakeCheck() const;

  Inifile_CL& ini;
  LogFile& log;
  // A received version file waiting for the modal window in front to close.
  std::unique_ptr<VersionFile> pending;
};
