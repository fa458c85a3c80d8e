#pragma once
// The main window's preview pane: the converted current photo, or the placeholder picture
// beside the executable while no photo is current. The photo is rendered by the pane's own
// worker; the pane never waits for it. A new photo shows a stand-in (its strip thumbnail)
// until its picture comes. A double click switches between the whole picture and actual
// size; Esc ends the compare view. Files dropped on it go to the main window.
#include <functional>
#include <memory>
#include <string>

#include "engine/SaveData.h"
#include "mainwindow/MainWindowIds.h"
#include "mainwindow/PictureImage.h"
#include "mainwindow/PreviewWorker.h"


// The placeholder picture: "Glimmerset.jpg" in the folder of the running executable.
std::wstring PlaceholderPicturePath();

// Asks for photo `index` of the main window's working list rendered with the working settings,
// as the conversion will write it, in the main window's preview; an index outside the list
// shows the placeholder at once. The strip's thumbnail of a new photo stands in meanwhile.
struct MainWindowLinks;
void RenderPreview(const MainWindowLinks& links, int index);

class MyPictureImage_CL : public PictureImage_CL {
public:
  MyPictureImage_CL() = default;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  ~MyPictureImage_CL() override;

  // Loads and shows the placeholder picture; a missing file shows a black pane. A render
  // still under way is not shown when it comes.
  void ShowPlaceholder();
  // Hands `photo` under `settings` (copies made here, on the user-interface thread) to the
  // worker. A photo other than the one shown shows `standIn` (may be none) meanwhile.
  void RequestRender(const PhotoItem& photo, const SaveData_CL& settings, GpBitmapPtr standIn);
  // Whether a requested picture has still to come.
  bool RenderPending() const { return shownSequence != requestedSequence; }
  // The line under the preview for the picture shown: what it weighs, or why there is none.
  const std::wstring& WeightText() const { return weightText; }

  // Called when the mode or the compare view changed here (double click, Esc), and when a
  // new picture or weight line is shown.
  std::function<void()> onModeChanged;
  std::function<void()> onShown;

  PreviewWorker_CL worker;

private:
  // A finished picture, on the pane's thread.
  void OnPreviewReady(std::unique_ptr<PreviewResult> result);
  void Show(std::unique_ptr<PreviewResult> result);
  // Ends the worker; what it posted and the pane has not taken is freed with the pane's inbox.
  void DropPendingResults();
  void Shown();

  std::shared_ptr<WindowPost> workerTarget;  // the post token the worker delivers through
  int requestedSequence = 0;
  int shownSequence = 0;
  std::wstring requestedPath;
  std::wstring weightText;
};
