#pragma once
// The main window's preview pane: the converted current photo, or the placeholder picture
// beside the executable while no photo is current. Files dropped on it go to the main window.
#include <string>

#include "mainwindow/PictureImage.h"

// Control id of the preview in the main window.
constexpr int kPreviewControlId = 0x1234;

// The placeholder picture: "Glimmerset.jpg" in the folder of the running executable.
std::wstring PlaceholderPicturePath();

// Renders theSaveData.items[index] with the current parameters, as the conversion will write
// it, into the main window's preview; an index outside the list shows the placeholder.
void RenderPreview(int index);

class MyPictureImage_CL : public PictureImage_CL {
public:
  MyPictureImage_CL() = default;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  ~MyPictureImage_CL() override;

  // Loads and shows the placeholder picture; a missing file shows a black pane.
  void ShowPlaceholder();
};
