#include "mainwindow/MainWindowLinks.h"

#include "base/Messages.h"
#include "mainwindow/WindowState.h"

void MainWindowLinks::RequestPreviewRefresh(RefreshPost post) const {
  if (state == nullptr) return;
  if (post == RefreshPost::kUnlessPending && state->refreshPending) return;
  if (mainWindow == nullptr) return;
  const BOOL posted = PostMessageW(mainWindow, WM_REFRESH_PREVIEW, 0, 0);
  if (posted && post == RefreshPost::kUnlessPending) state->refreshPending = true;
}

void MainWindowLinks::ApplyTopMost() const {
  if (mainWindow == nullptr || state == nullptr) return;
  SetWindowPos(mainWindow, state->topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
