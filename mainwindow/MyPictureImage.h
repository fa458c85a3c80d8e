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
#include "mainwindow/PictureImage.h"
#include "mainwindow/PreviewWorker.h"

// Control id of the preview in the main window.
constexpr int kPreviewControlId = 0x1234;

// The placeholder picture: "Glimmerset.jpg" in the folder of the running executable.
std::wstring PlaceholderPicturePath();

// Asks for theSaveData.items[index] rendered with the current parameters, as the conversion
// will write it, in the main window's preview; an index outside the list shows the
// placeholder at once. The strip's thumbnail of a new photo stands in meanwhile.
void RenderPreview(int index);

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
  void OnPreviewReady(LPARAM lParam);
  void Show(std::unique_ptr<PreviewResult> result);
  // Ends the worker and frees the results still queued for this window.
  void DropPendingResults();
  void Shown();

  int requestedSequence = 0;
  int shownSequence = 0;
  std::wstring requestedPath;
  std::wstring weightText;
};
