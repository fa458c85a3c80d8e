#include "mainwindow/MainWindowLinks.h"

#include "base/Messages.h"
#include "engine/SaveData.h"
#include "mainwindow/TheSaveData.h"

MainWindowLinks theMainWindowLinks;

void RequestPreviewRefresh(RefreshPost post) {
  if (post == RefreshPost::kUnlessPending && theSaveData.refreshPending) return;
  const HWND target = theMainWindowLinks.mainWindow;
  if (target == nullptr) return;
  const BOOL posted = PostMessageW(target, WM_REFRESH_PREVIEW, 0, 0);
  if (posted && post == RefreshPost::kUnlessPending) theSaveData.refreshPending = true;
}

void ApplyTopMost() {
  const HWND target = theMainWindowLinks.mainWindow;
  if (target == nullptr) return;
  SetWindowPos(target, theSaveData.topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE);
}
