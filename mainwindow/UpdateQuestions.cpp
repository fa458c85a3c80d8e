#include "mainwindow/UpdateQuestions.h"

#include "base/LogFile.h"
#include "update/UpdateCheckWorker.h"

UpdateQuestions_CL::UpdateQuestions_CL(Inifile_CL& ini, LogFile& log) : ini(ini), log(log) {}

UpdateQuestions_CL::~UpdateQuestions_CL() = default;

std::unique_ptr<UpdateCheck_CL> UpdateQuestions_CL::MakeCheck() const {
  auto check = std::make_unique<UpdateCheck_CL>(ini, log, endpoint, kVersionFilePath, nullptr);
  check->timeoutMs = timeoutMs;
  check->limitMs = limitMs;
  return check;
}

void UpdateQuestions_CL::Start(HWND window, std::shared_ptr<WindowPost> post) {
  const std::unique_ptr<UpdateCheck_CL> check = MakeCheck();
  if (!check->Due()) return;
  const auto receive = [this, window](const VersionFile& file, LogFile& fetchLog) { OnFetched(window, file, fetchLog); };
  if (!UpdateCheckWorker::Start(*check, std::move(post), receive)) {
    log.Write(L"更新確認のスレッドを開始できません: %u", GetLastError());
  }
}

void UpdateQuestions_CL::OnFetched(HWND window, const VersionFile& file, LogFile& fetchLog) {
  fetchLog.ReplayInto(log);
  pending = std::make_unique<VersionFile>(file);
  AskPending(window);
}

bool UpdateQuestions_CL::OnTimer(HWND window, UINT_PTR timer) {
  if (timer != kUpdateQuestionTimer) return false;
  AskPending(window);
  return true;
}

void UpdateQuestions_CL::AskPending(HWND window) {
  if (!pending) return;
  // A modal window disables this one: the question waits until it has closed.
  if (!IsWindowEnabled(window)) {
    SetTimer(window, kUpdateQuestionTimer, kUpdateQuestionRetryMs, nullptr);
    return;
  }
  KillTimer(window, kUpdateQuestionTimer);
  const std::unique_ptr<VersionFile> file = std::move(pending);
  MakeCheck()->Conclude(*file, kUpdateCaption, kInstalledVersion, window);
}

void UpdateQuestions_CL::Close(HWND window) {
  KillTimer(window, kUpdateQuestionTimer);
  pending.reset();
}
