#include "mainwindow/MyPictureImage.h"

#include "base/ShellHelpers.h"

std::wstring PlaceholderPicturePath() { return ModuleDirectory() + L"\\Glimmerset.jpg"; }

MyPictureImage_CL::~MyPictureImage_CL() = default;

LRESULT MyPictureImage_CL::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = PictureImage_CL::HandleMessage(window, message, wParam, lParam);
  // Files dropped on the preview are the main window's to handle.
  if (message == WM_DROPFILES) SendMessageW(GetParent(window), WM_DROPFILES, wParam, lParam);
  return result;
}

void MyPictureImage_CL::ShowPlaceholder() { LoadFile(PlaceholderPicturePath(), 0); }
